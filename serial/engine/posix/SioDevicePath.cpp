#include "serial/engine/posix/SioDevicePath.h"

#include <linux/major.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

bool IsPseudoTerminal(const struct stat& node) {
    if (!S_ISCHR(node.st_mode))
        return false;
    const unsigned int deviceMajor = major(node.st_rdev);
    return (deviceMajor >= UNIX98_PTY_SLAVE_MAJOR &&
            deviceMajor < UNIX98_PTY_SLAVE_MAJOR + UNIX98_PTY_MAJOR_COUNT) ||
           deviceMajor == PTY_SLAVE_MAJOR;
}

std::int64_t ChangeTimeNs(const struct stat& node) {
    return static_cast<std::int64_t>(node.st_ctim.tv_sec) * 1'000'000'000 + node.st_ctim.tv_nsec;
}

} // namespace

void TSioDevicePath::NoteIdentity() {
    struct stat node {};
    Identity_ = {};
    if (lstat(Path_.c_str(), &node) == 0 && S_ISLNK(node.st_mode))
        Identity_ = {true, node.st_dev, node.st_ino, ChangeTimeNs(node)};
}

bool TSioDevicePath::MaySameDeviceReturn() const {
    struct stat node {};
    if (lstat(Path_.c_str(), &node) != 0)
        return false;
    // A device node named directly comes back as itself (an adapter replugged under its name).
    if (!S_ISLNK(node.st_mode) || !Identity_.Link)
        return true;
    if (Identity_ != TIdentity{true, node.st_dev, node.st_ino, ChangeTimeNs(node)})
        return true;
    // The same link still names a vanished pseudo-terminal, whose number may now be somebody
    // else's terminal.
    return stat(Path_.c_str(), &node) == 0 && !IsPseudoTerminal(node);
}
