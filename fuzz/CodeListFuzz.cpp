// The "Tonfolgen.txt" line rules over any content, split in memory and read from a file.
//
// Input: the file's content. Up to a NUL byte, joining the entries with LF (and one more LF when
// the content ends in a line break) must give the content with every CR LF and lone CR made an
// LF; no entry holds a CR, LF or NUL; and reading the content from a file gives the same entries.

#include "app/fixedcodes/CodeList.h"
#include "app/fixedcodes/CodeListFile.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFiles.h"

#include <string>

namespace {

std::string LineFeedsOnly(std::string_view content) {
    std::string text;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '\r') {
            text += content[i];
        } else if (i + 1 == content.size() || content[i + 1] != '\n') {
            text += '\n';
        }
    }
    return text;
}

void CheckEntries(std::string_view content, const std::vector<std::string>& entries) {
    const std::string_view used = content.substr(0, content.find('\0'));
    std::string joined;
    for (const std::string& entry : entries) {
        FUZZ_CHECK(entry.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        joined += entry;
        joined += '\n';
    }
    const std::string expected = LineFeedsOnly(used);
    if (!expected.empty() && expected.back() != '\n') {
        joined.pop_back();
    }
    FUZZ_CHECK(joined == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> entries = SplitCodeList(content);
    CheckEntries(content, entries);

    const std::string path = FuzzFilePath(CodeListFileName);
    FUZZ_CHECK(ReplaceFile(path, content));
    const TCodeListRead read = ReadCodeListFile(path);
    if (content.size() <= CodeListMaxBytes && entries.size() <= CodeListMaxEntries) {
        FUZZ_CHECK(read.Outcome == TCodeListOutcome::Whole && read.Entries == entries);
    } else {
        FUZZ_CHECK(read.Outcome == TCodeListOutcome::Cut || read.Outcome == TCodeListOutcome::Whole);
        FUZZ_CHECK(read.Entries.size() <= CodeListMaxEntries);
    }
    return 0;
}
