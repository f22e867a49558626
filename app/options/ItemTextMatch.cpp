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
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
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
