#pragma once
// Telegrams read back: the code a telegram carries as the operator typed it, an entry of the
// fixed code list taken apart as the body of a five-character telegram, the symbols an encoder
// sounds for a code, and a telegram as hex text.
//
// Pure functions on byte strings; any thread. Nothing here fails: an entry that matches no
// telegram layout carries no code.

#include <optional>
#include <string>
#include <string_view>

// NormaliseCode's inverse on a telegram's code bytes: '0'-'9' as they are, ':'-'>' back to
// 'A'-'E'; nothing for any other byte.
std::optional<std::string> TypedCode(std::string_view normalised);

// The code as the encoder sounds it: letters a-e upper case, everything else as typed.
std::string ExpectedSymbols(std::string_view typedCode);

// An entry of the fixed code list read as the body of a five-character telegram:
// pre-tone byte, five code bytes and alarm-type byte ("@62380@"), or code and alarm type alone.
struct TFixedEntryView {
    std::string Symbols;              // what the encoder sounds; empty for no code
    std::optional<int> PreToneItem;   // item of the five-character pre-tone group
    std::optional<int> AlarmTypeItem; // item of the alarm-type group
};

TFixedEntryView ViewFixedEntry(std::string_view entry);

// The bytes as two-digit upper-case hex, spaced: "02 40 31".
std::string TelegramHex(std::string_view telegram);
