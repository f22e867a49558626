#include "app/tonecheck/LimitsFile.h"
#include "runtime/RegularFile.h"

namespace {

// What a candidate that cannot be used is, in the message's words; empty when nothing is there.
std::string Problem(const TRegularFileRead& file) {
    switch (file.Outcome) {
    case TRegularFileOutcome::DanglingLink:
        return "is a link to nothing";
    case TRegularFileOutcome::NotRegular:
        return "is " + file.Problem + ", not a file";
    case TRegularFileOutcome::Unreadable:
        return "cannot be read (" + file.Problem + ")";
    case TRegularFileOutcome::Read:
    case TRegularFileOutcome::Missing:
        break;
    }
    return {};
}

} // namespace

TLoadedLimits LoadToneLimits(const std::vector<std::filesystem::path>& candidates) {
    std::vector<std::string> skipped;
    for (const std::filesystem::path& path : candidates) {
        const TRegularFileRead file = ReadRegularFile(path.string());
        if (file.Outcome == TRegularFileOutcome::Missing)
            continue;
        if (file.Outcome != TRegularFileOutcome::Read) {
            skipped.push_back(
                EscapedControls(path.string() + ": " + Problem(file) + "; it is ignored"));
            continue;
        }
        TLoadedLimits loaded = ParseToneLimits(file.Text, path.string());
        loaded.Messages.insert(loaded.Messages.begin(), skipped.begin(), skipped.end());
        return loaded;
    }
    return {DefaultToneLimits(), {}, skipped};
}

std::vector<std::filesystem::path>
LimitsFileCandidates(const std::filesystem::path& programFolder) {
    std::vector<std::filesystem::path> candidates{LimitsFileName};
    if (!programFolder.empty())
        candidates.push_back(programFolder / ".." / "share" / "quorvane" / LimitsFileName);
    candidates.push_back(std::filesystem::path(QUORVANE_DATA_DIR) / LimitsFileName);
    return candidates;
}
