#pragma once
// Reading the fixed code list file.
//
// ReadCodeListFile reads only a regular file, and within limits: a FIFO, device or folder of
// that name is refused without being opened for reading (opening one could block or act on
// the device), and of a larger file only the first CodeListMaxBytes, whole lines, and at most
// CodeListMaxEntries entries are kept. The content is split by the list's line rules. It never
// throws for a file it cannot use; the caller decides what the operator is told. Any thread; no
// shared state.

#include <cstddef>
#include <string>
#include <vector>

// Opened by this plain name, that is, in the current working directory.
inline constexpr const char* CodeListFileName = "Tonfolgen.txt";

// A list of this size loads in a few milliseconds and its drop-down opens at once.
inline constexpr std::size_t CodeListMaxBytes = 1024 * 1024;
inline constexpr std::size_t CodeListMaxEntries = 10000;

enum class TCodeListOutcome {
    Whole,      // the whole file is in the list
    Cut,        // the file is larger than the limits: the list holds its beginning
    NotRegular, // a FIFO, device, folder or socket: not read
    Unreadable, // missing, or cannot be opened or read
};

struct TCodeListRead {
    TCodeListOutcome Outcome;
    std::vector<std::string> Entries; // empty unless Whole or Cut
};

TCodeListRead ReadCodeListFile(const std::string& path);
