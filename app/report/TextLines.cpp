#include "app/report/TextLines.h"

namespace {

std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    return (lead & 0xF8) == 0xF0 ? 4 : 0;
}

// The character at `at` and its length in bytes.
std::pair<char32_t, std::size_t> CharAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = SequenceLength(lead);
    if (length == 0 || at + length > text.size())
        return {0xFFFD, 1};
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return {0xFFFD, 1};
        code = code << 6 | (next & 0x3F);
    }
    return {code, length};
}

bool Blank(char32_t c) {
    return c == ' ' || c == '\t';
}

// Greedy breaking of one paragraph: every character is looked at once.
class TLineFiller {
public:
    TLineFiller(double width, std::vector<TLineSpan>& lines) : Width_(width), Lines_(lines) {}

    void Start(std::size_t at) {
        LineStart_ = at;
        LineWidth_ = 0;
        HaveBreak_ = false;
        InBlanks_ = false;
    }

    void Add(std::size_t at, char32_t c, double advance) {
        if (Blank(c)) {
            if (!InBlanks_ && at > LineStart_) {
                BreakEnd_ = at;
                HaveBreak_ = true;
            }
            InBlanks_ = true;
            LineWidth_ += advance;
            return;
        }
        if (InBlanks_) {
            Resume_ = at;
            WordWidth_ = 0;
            InBlanks_ = false;
        }
        if (LineWidth_ + advance > Width_ && at > LineStart_ && HaveBreak_) {
            Lines_.push_back({LineStart_, BreakEnd_});
            LineStart_ = Resume_;
            LineWidth_ = WordWidth_;
            HaveBreak_ = false;
        }
        // A word wider than the whole line is broken where the line is full.
        if (LineWidth_ + advance > Width_ && at > LineStart_) {
            Lines_.push_back({LineStart_, at});
            LineStart_ = at;
            LineWidth_ = 0;
            WordWidth_ = 0;
        }
        LineWidth_ += advance;
        WordWidth_ += advance;
    }

    void Finish(std::size_t end) { Lines_.push_back({LineStart_, end}); }

private:
    double Width_;
    std::vector<TLineSpan>& Lines_;
    std::size_t LineStart_ = 0;
    double LineWidth_ = 0;
    bool HaveBreak_ = false; // a blank after a word on this line
    bool InBlanks_ = false;
    std::size_t BreakEnd_ = 0; // where the line ends when broken at that blank
    std::size_t Resume_ = 0;   // where the next line then starts: the word after the blanks
    double WordWidth_ = 0;     // of the text from Resume_ on
};

} // namespace

std::vector<TLineSpan> WrapLines(std::string_view text, double width, const TCharAdvance& advance) {
    std::vector<TLineSpan> lines;
    TLineFiller filler(width, lines);
    filler.Start(0);
    for (std::size_t at = 0; at < text.size();) {
        const auto [c, length] = CharAt(text, at);
        if (c == '\n' || c == '\r') {
            filler.Finish(at);
            at += c == '\r' && text.substr(at, 2) == "\r\n" ? 2 : 1;
            filler.Start(at);
            continue;
        }
        filler.Add(at, c, advance(c));
        at += length;
    }
    filler.Finish(text.size());
    return lines;
}

std::string ShortenedText(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    std::size_t cut = text.size();
    for (std::size_t at = 0; at < text.size(); at += CharAt(text, at).second)
        if (chars++ == maxChars)
            cut = at;
    if (chars <= maxChars)
        return std::string(text);
    return std::string(text.substr(0, cut)) + "… (gekürzt, " + std::to_string(chars - maxChars) +
           " Zeichen)";
}
