#pragma once
// Notices the program on the other side closing the terminal end of a virtual port, and then
// lifts the exclusive mode (TIOCEXCL) the program may have set, as the last close of a real
// device does. The virtual port keeps the terminal end open for its own reasons, so without this
// the kernel would keep the mode and refuse the program's next open with EBUSY (unless root).
// While another opener still holds the line, its advisory lock still guards it.
//
// Holds its own descriptor of the terminal end (opened at construction, before the program
// opens the port) and an inotify descriptor that the owner polls. Not thread-safe: one thread
// polls and calls TakeCloses. Never throws: when the watch cannot be set up, Active() is false.

#include "tools/encoder-sim/encoder/FileDescriptor.h"

#include <cstddef>
#include <string>

namespace EncoderSim {

class TPeerCloseWatch {
public:
    TPeerCloseWatch() = default;
    explicit TPeerCloseWatch(const std::string& terminalPath);

    bool Active() const { return Notify_.Valid(); }
    // Readable when closes were noticed; -1 while inactive.
    int Fd() const { return Notify_.Get(); }
    // Consumes the pending notices, lifts the exclusive mode and returns the closes seen.
    std::size_t TakeCloses();

private:
    TFileDescriptor Terminal_;
    TFileDescriptor Notify_;
};

} // namespace EncoderSim
