// The device operations of the direct-port dispatcher on a tty descriptor.
#include "serial/engine/posix/SioPosixDispatcher.h"

#include "serial/engine/posix/SioPosixDevice.h"

#include <algorithm>
#include <cerrno>
#include <sched.h>
#include <sys/ioctl.h>
#include <unistd.h>

TSioPosixDispatcher::TSioPosixDispatcher(TSioDispatcherOwner* owner, ISioWindowMessenger* messenger)
    : TSioBaseDispatcher(owner, messenger) {}

TSioPosixDispatcher::~TSioPosixDispatcher() {
    Shutdown();
    Threads_.JoinEnded();
    Slot_.Close();
}

TSioResult TSioPosixDispatcher::YieldSlice() {
    sched_yield();
    return ecOK;
}

std::int32_t TSioPosixDispatcher::OpenDevice(const std::string& name, std::uint32_t,
                                             std::uint32_t) {
    int fd = OpenExclusiveTty(name);
    if (fd < 0)
        return fd;
    if (int configured = ConfigureRawTty(fd); configured < 0) {
        CloseTty(fd);
        return configured;
    }
    Vanished_.Open(name);
    Lines_.Open();
    Slot_.Put(fd);
    return fd;
}

std::int32_t TSioPosixDispatcher::ProbeOpen(const std::string& name) {
    int fd = OpenExclusiveTty(name);
    if (fd >= 0)
        Slot_.Put(fd);
    return fd;
}

TSioResult TSioPosixDispatcher::CloseDevice() {
    if (Core().Workers().Started()) {
        {
            // Under StateLock, so a worker being started on demand sees it or is counted first.
            std::lock_guard lock(Core().StateLock());
            Core().Workers().Stop();
        }
        Signals_.DeviceWake.Set();
        Signals_.CommEvent.Set();
        Signals_.WorkerAck.ResetSignal();
        // The descriptor stays until the workers are gone (StopWorkers closes it).
    } else {
        Slot_.Close();
    }
    return ecOK;
}

TSioResult TSioPosixDispatcher::SendLineControl(TSioLineFunction function) {
    int fd = Slot_.Fd();
    // The lines of a vanished device are set when it comes back; a device found to have no
    // modem lines (a pseudo-terminal) is not asked again.
    if (Vanished_.Gone() || !Lines_.HasModemLines())
        return ecOK;
    const bool rts =
        function == TSioLineFunction::RaiseRts || function == TSioLineFunction::LowerRts;
    const bool raise =
        function == TSioLineFunction::RaiseRts || function == TSioLineFunction::RaiseDtr;
    SetModemLine(fd, rts ? TIOCM_RTS : TIOCM_DTR, raise);
    return ecOK;
}

TSioResult TSioPosixDispatcher::PurgeDevice(TSioPurgeTarget which) {
    if (which == TSioPurgeTarget::Output) {
        // An empty ring has no piece in flight (a piece leaves the ring only once written), so
        // the output worker has nothing to give up and need not be asked.
        const bool empty = Core().LockOutput().Ring.Empty();
        if (!empty && Core().Workers().Alive(TSioWorkerKind::Output)) {
            Signals_.OutputFlush.Set();
            Signals_.WorkerAck.Wait(std::chrono::milliseconds(5000));
        }
        Core().LockOutput().Ring.Purge();
    }
    int fd = Slot_.Fd();
    if (fd < 0)
        return -EBADF;
    if (Vanished_.Gone())
        return ecOK;
    if (tcflush(fd, which == TSioPurgeTarget::Output ? TCOFLUSH : TCIFLUSH) != 0)
        return -errno;
    return ecOK;
}

std::uint32_t TSioPosixDispatcher::ReadDeviceErrors(TSioDeviceStatus&) {
    const int fd = Slot_.Fd();
    return fd >= 0 && !Vanished_.Gone() ? Lines_.TakeErrorBits(fd) : 0;
}

std::uint32_t TSioPosixDispatcher::DeviceOutputQueued() {
    int fd = Slot_.Fd();
    int queued = 0;
    // A pseudo-terminal hands its output on at once and always says 0.
    if (fd < 0 || Vanished_.Gone() || ioctl(fd, TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<std::uint32_t>(queued);
}

void TSioPosixDispatcher::AcknowledgeDeviceEvents(std::int32_t) {}

TSioResult TSioPosixDispatcher::ReadDeviceSettings(TSioLineSettings& settings) {
    termios tio{};
    // The record holds what the vanished device had and the next one gets.
    if (Vanished_.Gone())
        return ecOK;
    if (tcgetattr(Slot_.Fd(), &tio) != 0)
        return -1;
    TermiosToSettings(tio, settings);
    return ecOK;
}

TSioResult TSioPosixDispatcher::WriteDeviceSettings(const TSioLineSettings& settings) {
    // The record is checked all the same, and kept for the next device.
    termios tio{};
    return Vanished_.Gone() ? SettingsToTermios(settings, tio)
                            : ApplyTtySettings(Slot_.Fd(), settings);
}

std::int32_t TSioPosixDispatcher::ReadDevice(std::uint8_t* buffer, std::uint32_t n) {
    int fd = Slot_.Fd();
    for (;;) {
        ssize_t got = read(fd, buffer, n);
        if (got > 0)
            return static_cast<std::int32_t>(got);
        if (got == 0) {
            MarkDeviceGone();
            return 0;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return 0;
        int error = errno;
        if (error == EIO || error == ENXIO || error == ENODEV)
            MarkDeviceGone();
        return -error;
    }
}

std::int32_t TSioPosixDispatcher::QueueOutput(const std::uint8_t* block, std::uint32_t n) {
    bool wake = false;
    {
        TSioLockedOutput output = Core().LockOutput();
        const bool wasEmpty = output.Ring.Empty();
        // With nothing queued the output worker is idle, so the device may take the block at
        // once from this thread: the order stays, and a reply is not held up by a hand-off.
        std::uint32_t done = 0;
        if (wasEmpty)
            done = static_cast<std::uint32_t>(std::max(WriteDirect(block, n), 0));
        output.Ring.Put(block + done, n - done);
        // The worker writes until it finds the ring empty, so only new data in an empty ring
        // needs to wake it.
        wake = wasEmpty && done < n;
    }
    if (wake) {
        StartWorker(TSioWorkerKind::Output);
        Signals_.OutputReady.Set();
    }
    return static_cast<std::int32_t>(n);
}

std::int32_t TSioPosixDispatcher::WriteDevice(const std::uint8_t* data, std::uint32_t count) {
    for (;;) {
        ssize_t written = write(Slot_.Fd(), data, count);
        if (written >= 0)
            return static_cast<std::int32_t>(written);
        if (errno != EINTR)
            return -errno;
    }
}

std::int32_t TSioPosixDispatcher::WriteDirect(const std::uint8_t* data, std::uint32_t count) {
    if (Slot_.Fd() < 0 || Vanished_.Gone())
        return 0;
    return WriteDevice(data, count);
}

bool TSioPosixDispatcher::SizeDeviceQueues(std::uint32_t, std::uint32_t) {
    // A tty's queues have the driver's fixed sizes.
    return true;
}

std::uint8_t TSioPosixDispatcher::ReadModemLines() {
    return Lines_.ReadLines(Slot_.Fd(), Vanished_.Gone());
}

std::uint32_t TSioPosixDispatcher::TakeDeviceEvents() {
    std::uint32_t mask = EventWorker_.TakeEvents();
    // termios has no wait for modem-line changes that can share a poll(): the cycle compares.
    if (Lines_.HasModemLines())
        mask |= Lines_.TakeModemEvents(ReadModemLines());
    return mask;
}

void TSioPosixDispatcher::InputRoomAvailable() {
    UpdateWatch();
    Signals_.DeviceWake.Set();
}
