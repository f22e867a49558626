// The limits file's parser over any content.
//
// Input: the file's content. Parsing never fails; each line gives at most one message, and each
// message names the file and a line that exists; a line that gave a message changes nothing,
// so parsing the content without it gives the same limits.

#include "app/tonecheck/LimitsFile.h"
#include "fuzz/FuzzCheck.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string_view> Lines(std::string_view content) {
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const auto end = content.find('\n');
        lines.push_back(content.substr(0, end));
        content = end == std::string_view::npos ? std::string_view{} : content.substr(end + 1);
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> lines = Lines(content);
    const TLoadedLimits loaded = ParseToneLimits(content, "f");
    FUZZ_CHECK(loaded.Messages.size() <= lines.size());

    std::string kept;
    std::size_t previous = 0;
    for (const std::string& message : loaded.Messages) {
        FUZZ_CHECK(message.starts_with("f:"));
        const std::size_t line = std::stoul(message.substr(2));
        FUZZ_CHECK(line > previous && line <= lines.size());
        for (std::size_t i = previous + 1; i < line; ++i)
            (kept += lines[i - 1]) += '\n';
        previous = line;
    }
    for (std::size_t i = previous + 1; i <= lines.size(); ++i)
        (kept += lines[i - 1]) += '\n';
    FUZZ_CHECK(ParseToneLimits(kept, "f").Limits == loaded.Limits);
    return 0;
}
