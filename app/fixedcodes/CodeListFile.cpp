#include "app/fixedcodes/CodeListFile.h"

#include "app/fixedcodes/CodeList.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

class TReadDescriptor {
public:
    explicit TReadDescriptor(const std::string& path)
        : Fd_(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
    ~TReadDescriptor() {
        if (Fd_ >= 0)
            close(Fd_);
    }
    TReadDescriptor(const TReadDescriptor&) = delete;
    TReadDescriptor& operator=(const TReadDescriptor&) = delete;

    int Fd() const { return Fd_; }

private:
    int Fd_;
};

// Up to `limit` bytes; false on a read error.
bool ReadUpTo(int fd, std::size_t limit, std::string& content) {
    content.resize(limit);
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = read(fd, content.data() + got, limit - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    content.resize(got);
    return true;
}

} // namespace

TCodeListRead ReadCodeListFile(const std::string& path) {
    // Look before opening: opening a FIFO or a device could block, or act on the device.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return {TCodeListOutcome::Unreadable, {}};
    if (!S_ISREG(info.st_mode))
        return {TCodeListOutcome::NotRegular, {}};
    const TReadDescriptor file(path);
    if (file.Fd() < 0)
        return {TCodeListOutcome::Unreadable, {}};
    // The name may have been pointed elsewhere between the look and the open.
    if (fstat(file.Fd(), &info) != 0)
        return {TCodeListOutcome::Unreadable, {}};
    if (!S_ISREG(info.st_mode))
        return {TCodeListOutcome::NotRegular, {}};

    std::string content;
    // One byte beyond the limit tells a file of exactly the limit from a larger one.
    if (!ReadUpTo(file.Fd(), CodeListMaxBytes + 1, content))
        return {TCodeListOutcome::Unreadable, {}};
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
