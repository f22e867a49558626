#pragma once
// The command-line programs' standard output: what they print counts as written only once it has
// reached its file, so a full disk or a closed pipe ends the program with an error, not with
// success.

#include <string_view>

// Flushes standard output: 0 when everything printed so far has been written, else 2 after
// "<program>: cannot write the output: <reason>" on standard error.
int StandardOutputWritten(std::string_view program);

// Prints `text` on standard output and flushes it; as StandardOutputWritten.
int PrintOnStandardOutput(std::string_view program, std::string_view text);
