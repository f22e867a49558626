#include "serial/engine/posix/SioOutputWorker.h"

#include <cerrno>
#include <poll.h>

void TSioOutputWorker::Run() {
    for (;;) {
        pollfd entries[2] = {{Signals_.OutputReady.Fd(), POLLIN, 0},
                             {Signals_.OutputFlush.Fd(), POLLIN, 0}};
        int ready = poll(entries, 2, -1);
        ++Wakeups_;
        if (ready < 0 && errno != EINTR)
            return;
        if (entries[1].revents & POLLIN) {
            Signals_.OutputFlush.Consume();
            Signals_.WorkerAck.Set();
        }
        if (entries[0].revents & POLLIN) {
            Signals_.OutputReady.Consume();
            if (Core_.Workers().Stopping())
                return;
            WriteOutput();
        }
        if (Core_.Workers().Stopping() || Core_.ClosePending())
            return;
    }
}

bool TSioOutputWorker::WaitWritable() {
    pollfd entries[2] = {{Device_.Fd(), POLLOUT, 0}, {Signals_.OutputFlush.Fd(), POLLIN, 0}};
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

void TSioOutputWorker::WriteOutput() {
    TSioOutputRing::TPiece piece;
    auto takePiece = [&] { return Core_.LockOutput().Ring.TakePiece(piece); };
    auto advance = [&](std::uint32_t count) { Core_.LockOutput().Ring.Advance(piece, count); };
    while (!Core_.Workers().Stopping() && takePiece()) {
        std::int32_t written = Write_(piece.Data, piece.Count);
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
