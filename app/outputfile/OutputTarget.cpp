#include "app/outputfile/OutputTarget.h"

#include <sys/stat.h>

namespace {

std::string NotRegular(mode_t mode) {
    if (S_ISDIR(mode))
        return "it is a folder, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device, not a regular file";
    if (S_ISFIFO(mode))
        return "it is a named pipe (FIFO), not a regular file";
    if (S_ISSOCK(mode))
        return "it is a socket, not a regular file";
    return "it is not a regular file";
}

} // namespace

std::optional<std::string> RefusedOutput(const std::string& output,
                                         const std::vector<std::string>& inputs) {
    struct stat target {};
    if (::stat(output.c_str(), &target) != 0)
        return std::nullopt;
    if (!S_ISREG(target.st_mode))
        return NotRegular(target.st_mode);
    for (const std::string& input : inputs) {
        struct stat read {};
        if (::stat(input.c_str(), &read) == 0 && read.st_dev == target.st_dev &&
            read.st_ino == target.st_ino)
            return "it is the input " + input + " (the same file), which would be lost";
    }
    return std::nullopt;
}
