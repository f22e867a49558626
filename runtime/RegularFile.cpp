#include "runtime/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

TRegularFileRead Unreadable(int error) {
    return {TRegularFileOutcome::Unreadable, {}, std::strerror(error)};
}

} // namespace

TRegularFileRead ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT && lstat(path.c_str(), &info) == 0)
            return {TRegularFileOutcome::DanglingLink, {}, {}};
        return error == ENOENT || error == ENOTDIR ? TRegularFileRead{} : Unreadable(error);
    }
    if (!S_ISREG(info.st_mode))
        return {TRegularFileOutcome::NotRegular, {}, KindOfFile(info.st_mode)};
    const TReadDescriptor file(path);
    if (file.Fd() < 0 || fstat(file.Fd(), &info) != 0)
        return Unreadable(errno);
    if (!S_ISREG(info.st_mode))
        return {TRegularFileOutcome::NotRegular, {}, KindOfFile(info.st_mode)};
    TRegularFileRead read{TRegularFileOutcome::Read, {}, {}};
    char chunk[65536];
    while (read.Text.size() < maxBytes) {
        const ssize_t got =
            ::read(file.Fd(), chunk, std::min(sizeof chunk, maxBytes - read.Text.size()));
        if (got == 0)
            break;
        if (got > 0)
            read.Text.append(chunk, static_cast<std::size_t>(got));
        else if (errno != EINTR)
            return Unreadable(errno);
    }
    return read;
}
