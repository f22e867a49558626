#include "app/report/SheetFont.h"

#include <QString>

TSheetFont::TSheetFont(const QFont& font, QPaintDevice* device)
    : Font_(font, device), Metrics_(Font_, device) {
    for (std::size_t c = 0; c < Latin1_.size(); ++c)
        Latin1_[c] = Metrics_.horizontalAdvance(QChar(static_cast<char16_t>(c)));
}

double TSheetFont::Advance(char32_t c) const {
    if (c < Latin1_.size())
        return Latin1_[c];
    const char32_t one[] = {c};
    return Metrics_.horizontalAdvance(QString::fromUcs4(one, 1));
}
