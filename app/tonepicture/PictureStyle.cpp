#include "app/tonepicture/PictureStyle.h"

namespace {

// Metric-compatible with the report's and the window's Arial-like fonts; Qt falls back to its
// usual sans serif where it is not installed.
QFont Font(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

TPictureFonts MakePictureFonts() {
    return {Font(13, true), Font(12), Font(11), Font(16, true)};
}

QColor MarkColour(TToneMarkState state) {
    switch (state) {
    case TToneMarkState::Holds:
        return {20, 150, 40};
    case TToneMarkState::Misses:
        return {220, 20, 20};
    case TToneMarkState::NotJudged:
        break;
    }
    return {225, 140, 0};
}
