#pragma once
// What an alarm should sound like: the symbols an encoder sends for a typed code or for an entry
// of the fixed code list, and what such an entry says about pre-tone and alarm type.
//
// Pure functions on byte strings; any thread. Nothing here fails: an entry that matches no
// telegram layout is taken as the code itself.

#include <optional>
#include <string>
#include <string_view>

// The code as the encoder sounds it: letters a-e upper case, everything else as typed.
std::string ExpectedSymbols(std::string_view typedCode);

// An entry of the fixed code list read as the body of a five-character telegram:
// pre-tone byte, five code bytes and alarm-type byte ("@62380@"), or code and alarm type alone.
struct TFixedEntryView {
    std::string Symbols;              // what the encoder sounds
    std::optional<int> PreToneItem;   // item of the five-character pre-tone group
    std::optional<int> AlarmTypeItem; // item of the alarm-type group
};

TFixedEntryView ViewFixedEntry(std::string_view entry);
