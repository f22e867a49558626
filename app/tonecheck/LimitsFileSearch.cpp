#include "app/tonecheck/LimitsFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string KindOfFile(mode_t mode) {
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a special file";
}

// Without blocking: a FIFO put in the file's place between the look and the open gives no writer.
struct OpenForReading {
    explicit OpenForReading(const std::filesystem::path& path)
        : descriptor(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
    ~OpenForReading() {
        if (descriptor >= 0)
            close(descriptor);
    }
    OpenForReading(const OpenForReading&) = delete;
    OpenForReading& operator=(const OpenForReading&) = delete;

    const int descriptor;
};

// What one candidate path holds: nothing there (look further), a file's text, or a problem.
struct CandidateFile {
    std::optional<std::string> text;
    std::string problem; // empty with the text, or when nothing is there
};

CandidateFile Unreadable(int error) {
    return {std::nullopt, std::string("cannot be read (") + std::strerror(error) + ")"};
}

CandidateFile ReadCandidate(const std::filesystem::path& path) {
    // Looked at before it is opened, so that no device or FIFO is ever opened, and looked at
    // again once open, in case the name was pointed elsewhere in between.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT && lstat(path.c_str(), &info) == 0)
            return {std::nullopt, "is a link to nothing"};
        return error == ENOENT || error == ENOTDIR ? CandidateFile{} : Unreadable(error);
    }
    if (!S_ISREG(info.st_mode))
        return {std::nullopt, "is " + KindOfFile(info.st_mode) + ", not a file"};
    const OpenForReading file(path);
    if (file.descriptor < 0 || fstat(file.descriptor, &info) != 0)
        return Unreadable(errno);
    if (!S_ISREG(info.st_mode))
        return {std::nullopt, "is " + KindOfFile(info.st_mode) + ", not a file"};
    std::string text;
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(file.descriptor, chunk, sizeof chunk);
        if (got == 0)
            return {std::move(text), {}};
        if (got > 0)
            text.append(chunk, static_cast<std::size_t>(got));
        else if (errno != EINTR)
            return Unreadable(errno);
    }
}

} // namespace

LoadedLimits LoadToneLimits(const std::vector<std::filesystem::path>& candidates) {
    std::vector<std::string> skipped;
    for (const std::filesystem::path& path : candidates) {
        const CandidateFile file = ReadCandidate(path);
        if (file.problem.empty() && !file.text)
            continue;
        if (!file.text) {
            skipped.push_back(
                EscapedControls(path.string() + ": " + file.problem + "; it is ignored"));
            continue;
        }
        LoadedLimits loaded = ParseToneLimits(*file.text, path.string());
        loaded.messages.insert(loaded.messages.begin(), skipped.begin(), skipped.end());
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
