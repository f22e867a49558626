#pragma once
// The main window's rules that need no widget: which characters the code field admits,
// how a port list entry becomes a port number, which controls each encoder type shows, and when
// the trigger button is armed.
//
// Pure functions on plain values; any thread. PortNumberFromEntry throws EConvertError for a
// text that holds no port number; nothing else here can fail.

#include "runtime/RunTimeErrors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr char32_t Backspace = 0x08;

// Backspace, '0'-'9', 'A'-'E' and 'a'-'e'.
bool IsCodeCharacter(char32_t typed);

struct TFilteredCode {
    std::u32string Text;
    std::size_t Cursor;
};

// What the code field holds after an edit, however the text arrived: `edited` (with the cursor
// at `cursor`) keeps only its code characters; when that is still longer than maxLength, the
// part inserted since `before` is cut, so the text that was there already stays.
TFilteredCode FilterCodeEdit(std::u32string_view before, std::u32string_view edited,
                             std::size_t cursor, std::size_t maxLength);

// The decimal number after the entry's first three characters ("COM12" gives 12); those three
// are skipped, not checked.
std::uint16_t PortNumberFromEntry(std::string_view entry);

struct TEncoderTypeView {
    int MaxLength;
    bool TapeShown;            // RadioGroup3
    bool FiveCharPreToneShown; // RadioGroup1
    bool TenCharPreToneShown;  // RadioGroup4
    bool AlarmTypeShown;       // RadioGroup2
    bool TwoToneAlarmShown;    // RadioGroup5
    bool EncoderStateShown;    // Panel3
};

// For a type index outside the list (typed text that selects no item) the view of the
// ten-character types with tape, as for types 4 and 5.
TEncoderTypeView ViewForEncoderType(int typeIndex);

bool TriggerArmed(std::size_t codeLength, int maxLength);
