// Letting go of a vanished device and taking up the one that appears under the same path: the
// dispatch worker runs both, on its cycle, while the port stays open for everyone above.
#include "serial/engine/posix/SioPosixDevice.h"
#include "serial/engine/posix/SioPosixDispatcher.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>

void TSioPosixDispatcher::MarkDeviceGone() {
    if (!DeviceGone_.exchange(true)) {
        UpdateWatch();
        Signals_.DeviceWake.Set();
        // The dispatch worker lets go of the device and starts looking for its return.
        WakeDispatchWorker();
    }
}

void TSioPosixDispatcher::ServiceVanishedDevice() {
    if (!DeviceGone_.load() || Core().Workers().Stopping() || ClosePending())
        return;
    if (!Slot_.Detached()) {
        DetachDevice();
        return;
    }
    auto now = std::chrono::steady_clock::now();
    if (now < NextReattach_)
        return;
    NextReattach_ = now + ReattachInterval;
    TryReattach();
}

void TSioPosixDispatcher::DetachDevice() {
    if (Slot_.Detach())
        NextReattach_ = std::chrono::steady_clock::now() + ReattachInterval;
}

int TSioPosixDispatcher::OpenReplacement() {
    int fd = OpenExclusiveTty(Path_.Path());
    if (fd < 0)
        return fd;
    termios tio{};
    int result = ConfigureRawTty(fd);
    if (result == 0 && tcgetattr(fd, &tio) != 0)
        result = -errno;
    const TSioLineState line = Core().LineState();
    if (result == 0)
        result = SettingsToTermios(line.Settings, tio);
    if (result == 0 && tcsetattr(fd, TCSANOW, &tio) != 0)
        result = -errno;
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

void TSioPosixDispatcher::TryReattach() {
    // StateLock first, so no setting changes between the new device's set-up and its swap.
    std::lock_guard stateLock(Core().StateLock());
    if (!Path_.MaySameDeviceReturn())
        return;
    int fresh = OpenReplacement();
    if (fresh < 0)
        return;
    const bool swapped = Slot_.Replace(fresh, [this](int fd) {
        Lines_.Reattached(fd);
        DeviceGone_ = false;
    });
    if (!swapped)
        return;
    Path_.NoteIdentity();
    ++Reattachments_;
    // Whoever reads the line takes the device up again.
    UpdateWatch();
    Signals_.DeviceWake.Set();
}
