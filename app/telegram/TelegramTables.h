#pragma once
// The character tables that turn an option group's selected item into one telegram byte.
//
// Item i of a group selects the table's byte at position i. TableByte is the only way in: it
// returns no byte for an item outside the table, so nothing ever reads past a table's end.
// Constant data: any thread may read it.

#include <optional>
#include <string_view>

// Pre-tone of the five-character types (RadioGroup1).
inline constexpr std::string_view FiveCharPreToneChars = "@12348ABCD";

// Pre-tone of the ten-character types (RadioGroup4): item 0 "kein Vorton" is '?', items 1 to 27
// send their own leading letter, "a (367.5 Hz)" ... "z (...)" and "ä (3000  Hz)" as 0xE4.
inline constexpr std::string_view TenCharPreToneChars = "?abcdefghijklmnopqrstuvwxyz\xE4";

// Alarm type (RadioGroup2).
inline constexpr std::string_view AlarmTypeChars = "FPWAKEI`i@";

// Tape (RadioGroup3): "Tonband ein", "Tonband aus".
inline constexpr std::string_view TapeChars = "T0";

constexpr std::optional<char> TableByte(std::string_view table, int item) {
    if (item < 0 || item >= static_cast<int>(table.size())) {
        return std::nullopt;
    }
    return table[static_cast<std::size_t>(item)];
}
