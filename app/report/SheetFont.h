#pragma once
// A font of the report with its measures on the PDF writer, and each character's width, kept for
// the first 256 so a long report does not ask the font engine for every character again.
//
// GUI thread; the device must outlive the font.

#include <QFont>
#include <QFontMetricsF>
#include <array>

class QPaintDevice;

class TSheetFont {
public:
    TSheetFont(const QFont& font, QPaintDevice* device);

    const QFont& Font() const { return Font_; }
    double LineHeight() const { return Metrics_.lineSpacing(); }
    double Ascent() const { return Metrics_.ascent(); }
    double Advance(char32_t c) const;

private:
    QFont Font_;
    QFontMetricsF Metrics_;
    std::array<double, 256> Latin1_{};
};
