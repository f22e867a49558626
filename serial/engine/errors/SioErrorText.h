#pragma once
// Message texts for result codes.
//
// ErrorText looks a code up in the message table and falls back to the operating system's text
// for that number. Only the code's magnitude, taken as a 16-bit signed value, matters. Codes
// -2 ... -162 are minus errno on this platform, so their text is the system's (-8 excepted,
// the layer's own out-of-memory code), or the table's row where the system has none; system
// texts are English, whatever the program's locale. Never fails: a code with no text gives an
// empty string.
// Reentrant: any thread may call it.

#include "serial/engine/errors/SioResultCodes.h"

#include <string>
#include <string_view>

// At most 255 characters.
std::string ErrorText(TSioResult code);

// The system's message for an error number, cleaned; empty when the system has none
// (glibc's "Unknown error N" counts as none).
std::string SystemErrorText(int errorNumber);

// At most 255 characters, every character below 0x20 made a space, runs of spaces collapsed to
// one (so a text ending in a line break ends in exactly one space).
std::string CleanSystemText(std::string_view text);
