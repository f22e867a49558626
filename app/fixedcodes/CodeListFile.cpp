#include "app/fixedcodes/CodeListFile.h"

#include "app/fixedcodes/CodeList.h"
#include "runtime/RegularFile.h"

#include <utility>

TCodeListRead ReadCodeListFile(const std::string& path) {
    // One byte beyond the limit tells a file of exactly the limit from a larger one.
    TRegularFileRead file = ReadRegularFile(path, CodeListMaxBytes + 1);
    if (file.Outcome == TRegularFileOutcome::NotRegular)
        return {TCodeListOutcome::NotRegular, {}};
    if (file.Outcome != TRegularFileOutcome::Read)
        return {TCodeListOutcome::Unreadable, {}};
    std::string& content = file.Text;
    bool cut = false;
    if (content.size() > CodeListMaxBytes) {
        content.resize(CodeListMaxBytes);
        // A NUL ends the list before the limit; otherwise the line the limit cuts through goes.
        if (content.find('\0') == std::string::npos) {
            cut = true;
            const std::size_t lastBreak = content.find_last_of("\r\n");
            content.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
        }
    }
    std::vector<std::string> entries = SplitCodeList(content);
    if (entries.size() > CodeListMaxEntries) {
        entries.resize(CodeListMaxEntries);
        cut = true;
    }
    return {cut ? TCodeListOutcome::Cut : TCodeListOutcome::Whole, std::move(entries)};
}
