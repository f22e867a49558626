#include "serial/engine/posix/SioVanishedDevice.h"

#include "serial/engine/posix/SioPosixDevice.h"

#include <sys/ioctl.h>

void TSioVanishedDevice::Service() {
    if (!Gone_.load() || Core_.Workers().Stopping() || Core_.ClosePending())
        return;
    auto now = std::chrono::steady_clock::now();
    if (!Slot_.Detached()) {
        if (Slot_.Detach())
            NextReattach_ = now + ReattachInterval;
        return;
    }
    if (now < NextReattach_)
        return;
    NextReattach_ = now + ReattachInterval;
    // StateLock first, so no setting changes between the new device's set-up and its swap.
    std::lock_guard stateLock(Core_.StateLock());
    if (!Path_.MaySameDeviceReturn())
        return;
    int fresh = OpenReplacement();
    if (fresh < 0)
        return;
    const bool swapped = Slot_.Replace(fresh, [this](int fd) {
        Lines_.Reattached(fd);
        Gone_ = false;
    });
    if (!swapped)
        return;
    Path_.NoteIdentity();
    ++Reattachments_;
    Reattached_();
}

int TSioVanishedDevice::OpenReplacement() {
    int fd = OpenExclusiveTty(Path_.Path());
    if (fd < 0)
        return fd;
    const TSioLineState line = Core_.LineState();
    int result = ConfigureRawTty(fd);
    if (result == 0)
        result = ApplyTtySettings(fd, line.Settings);
    if (result < 0) {
        CloseTty(fd);
        return result;
    }
    // Lines that a handshake drives are the driver's; a device without them is no failure.
    if (!line.DtrByFlow)
        SetModemLine(fd, TIOCM_DTR, line.DtrOn);
    if (!line.RtsByFlow && !line.Rs485)
        SetModemLine(fd, TIOCM_RTS, line.RtsOn);
    return fd;
}
