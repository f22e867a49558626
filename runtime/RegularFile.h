#pragma once
// Reading a file that has to be a plain file, never blocking and never acting on a device: the
// name is looked at before it is opened, so a FIFO, device, folder or socket of that name is
// never opened; it is opened without blocking and looked at again once open, in case the name
// was pointed elsewhere in between.
//
// Any thread; no shared state; never throws beyond std::bad_alloc.

#include <cstddef>
#include <limits>
#include <string>

enum class TRegularFileOutcome {
    Read,         // Text holds the file, or its first maxBytes
    Missing,      // nothing of that name (or a folder on the way is missing)
    DanglingLink, // a symbolic link to nothing
    NotRegular,   // Problem says what it is: "a folder", "a FIFO", "a device", ...
    Unreadable,   // Problem holds the system's reason
};

struct TRegularFileRead {
    TRegularFileOutcome Outcome = TRegularFileOutcome::Missing;
    std::string Text;
    std::string Problem;
};

TRegularFileRead ReadRegularFile(const std::string& path,
                                 std::size_t maxBytes = std::numeric_limits<std::size_t>::max());
