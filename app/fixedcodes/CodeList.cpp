#include "app/fixedcodes/CodeList.h"

std::vector<std::string> SplitCodeList(std::string_view content) {
    content = content.substr(0, content.find('\0'));
    std::vector<std::string> entries;
    std::size_t lineStart = 0;
    std::size_t pos = 0;
    while (pos < content.size()) {
        const char c = content[pos];
        if (c != '\r' && c != '\n') {
            ++pos;
            continue;
        }
        entries.emplace_back(content.substr(lineStart, pos - lineStart));
        const bool crLf = c == '\r' && pos + 1 < content.size() && content[pos + 1] == '\n';
        pos += crLf ? 2 : 1;
        lineStart = pos;
    }
    if (lineStart < content.size())
        entries.emplace_back(content.substr(lineStart));
    return entries;
}

const std::vector<std::string>& StoredFixedCodes() {
    static const std::vector<std::string> codes = [] {
        std::vector<std::string> result;
        for (int n = 62380; n <= 62390; ++n)
            result.push_back("@" + std::to_string(n) + "@");
        return result;
    }();
    return codes;
}
