#pragma once
// Whether a file that is written under a temporary name and then renamed over `output` may take
// that name. Refused are a name that already holds anything but a regular file (a device such as
// /dev/null, a pipe, a socket, a folder), since the rename would replace the node itself, and a
// name that is one of the files being read (the same device and inode, so also through symbolic
// or hard links), since the input would be lost.
//
// Asks the file system (stat, following links); any thread; never throws beyond std::bad_alloc.
// A name that does not exist yet, or cannot be looked at, is left to the writer, which reports
// the system's reason.

#include <optional>
#include <string>
#include <vector>

// Why `output` may not be written while `inputs` are read, as "it is a folder" or "it is the
// input day.csv"; empty when it may.
std::optional<std::string> RefusedOutput(const std::string& output,
                                         const std::vector<std::string>& inputs);
