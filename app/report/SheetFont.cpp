#include "app/report/SheetFont.h"

#include <QString>

TSheetFont::TSheetFont(const QFont& font, QPaintDevice* device)
    : font_(font, device), metrics_(font_, device) {
    for (std::size_t c = 0; c < latin1_.size(); ++c)
        latin1_[c] = metrics_.horizontalAdvance(QChar(static_cast<char16_t>(c)));
}

double TSheetFont::Advance(char32_t c) const {
    if (c < latin1_.size())
        return latin1_[c];
    const char32_t one[] = {c};
    return metrics_.horizontalAdvance(QString::fromUcs4(one, 1));
}
