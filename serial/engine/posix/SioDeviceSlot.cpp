#include "serial/engine/posix/SioDeviceSlot.h"

#include "serial/engine/posix/SioPosixDevice.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

void TSioDeviceSlot::Close() {
    std::lock_guard lock(Lock_);
    CloseTty(Fd_.exchange(-1));
    Detached_ = false;
}

bool TSioDeviceSlot::Detach() {
    // Opened anew each time: a port that never loses its device holds no extra descriptor.
    const int null = open("/dev/null", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (null < 0)
        return false;
    bool done = false;
    {
        std::lock_guard lock(Lock_);
        const int fd = Fd_.load();
        if (fd >= 0) {
            ioctl(fd, TIOCNXCL);
            // The last reference to the tty goes, and with it the lock; the number stays ours.
            if (dup3(null, fd, O_CLOEXEC) == fd) {
                Detached_ = true;
                ++Detachments_;
                done = true;
            }
        }
    }
    close(null);
    return done;
}

bool TSioDeviceSlot::Replace(int fresh, const std::function<void(int fd)>& swapped) {
    std::lock_guard lock(Lock_);
    const int fd = Fd_.load();
    if (fd < 0 || dup3(fresh, fd, O_CLOEXEC) != fd) {
        CloseTty(fresh);
        return false;
    }
    // The duplicate keeps the open file, its lock and the exclusive mode.
    close(fresh);
    Detached_ = false;
    swapped(fd);
    return true;
}
