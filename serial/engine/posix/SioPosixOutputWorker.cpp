// The output worker's loop: the output ring's pieces to the device, a flush request honoured
// at once.
#include "serial/engine/posix/SioPosixDispatcher.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

void TSioPosixDispatcher::OutputWorker() {
    for (;;) {
        pollfd entries[2] = {{Signals_.OutputReady.Fd(), POLLIN, 0},
                             {Signals_.OutputFlush.Fd(), POLLIN, 0}};
        int ready = poll(entries, 2, -1);
        ++OutputWakeups_;
        if (ready < 0 && errno != EINTR)
            return;
        if (entries[1].revents & POLLIN) {
            Signals_.OutputFlush.Consume();
            Signals_.WorkerAck.Set();
        }
        if (entries[0].revents & POLLIN) {
            Signals_.OutputReady.Consume();
            if (Core().Workers().Stopping())
                return;
            WriteOutput();
        }
        if (Core().Workers().Stopping() || ClosePending())
            return;
    }
}

std::int32_t TSioPosixDispatcher::WriteDevice(const std::uint8_t* data, std::uint32_t count) {
    for (;;) {
        ssize_t written = write(Fd_.load(), data, count);
        if (written >= 0)
            return static_cast<std::int32_t>(written);
        if (errno != EINTR)
            return -errno;
    }
}

bool TSioPosixDispatcher::WaitWritable() {
    pollfd entries[2] = {{Fd_.load(), POLLOUT, 0}, {Signals_.OutputFlush.Fd(), POLLIN, 0}};
    int ready = poll(entries, 2, -1);
    if (ready < 0 && errno != EINTR)
        return true;
    if (entries[1].revents & POLLIN) {
        Signals_.OutputFlush.Consume();
        Signals_.WorkerAck.Set();
        return false;
    }
    return true;
}

void TSioPosixDispatcher::WriteOutput() {
    // The piece is written without the lock: it stays in the ring until advanced.
    TSioOutputRing::TPiece piece;
    auto takePiece = [&] { return Core().LockOutput().Ring.TakePiece(piece); };
    auto advance = [&](std::uint32_t count) { Core().LockOutput().Ring.Advance(piece, count); };
    while (!Core().Workers().Stopping() && takePiece()) {
        std::int32_t written = WriteDevice(piece.Data, piece.Count);
        if (written > 0) {
            advance(static_cast<std::uint32_t>(written));
        } else if (written == 0 || written == -EAGAIN) {
            if (!WaitWritable())
                return;
        } else {
            // A write that fails outright (the device is gone) drops its piece.
            advance(piece.Count);
        }
    }
}
