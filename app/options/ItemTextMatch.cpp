#include "app/options/ItemTextMatch.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Blanks folded and trimmed, the case kept.
std::string FoldedBlanks(std::string_view text) {
    std::string folded;
    for (const char c : text) {
        if (!IsBlank(c))
            folded += c;
        else if (!folded.empty() && folded.back() != ' ')
            folded += ' ';
    }
    if (!folded.empty() && folded.back() == ' ')
        folded.pop_back();
    return folded;
}

} // namespace

std::string FoldedItemText(std::string_view text) {
    std::string folded = FoldedBlanks(text);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        auto& c = reinterpret_cast<unsigned char&>(folded[i]);
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<unsigned char>(c - 'A' + 'a');
        } else if (c == 0xC3 && i + 1 < folded.size()) {
            // UTF-8 for U+00C0 to U+00DE: the capitals of Latin-1 lie 0x20 below their small
            // letters, except U+00D7 (the multiplication sign).
            auto& next = reinterpret_cast<unsigned char&>(folded[++i]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                next = static_cast<unsigned char>(next + 0x20);
        }
    }
    return folded;
}

std::optional<std::string> MatchItemText(std::string_view typed,
                                         const std::vector<std::string>& items) {
    const std::string key = FoldedItemText(typed);
    for (const std::string& item : items)
        if (FoldedItemText(item) == key)
            return item;
    return std::nullopt;
}

std::string ItemTextList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items)
        list += (list.empty() ? "\"" : ", \"") + FoldedBlanks(item) + "\"";
    return list;
}
