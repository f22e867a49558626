#pragma once
// The alarm telegram of each encoder type, and the frame of a fixed code.
//
// Pure functions over byte strings (std::string of 8-bit bytes): they know no window and no
// port, and any thread may call them. BuildTelegram reads only the inputs the type's layout
// uses. It returns an empty telegram, and so sends nothing, when the type is outside the list or
// when an option item the type uses lies outside its character table: a substitute byte could
// start the wrong kind of alarm. The code text is taken as it is, whatever its length.

#include <string>
#include <string_view>

// Letters a-z made upper case, then every byte above 0x40 lowered by 7 ('A' ... 'E' become
// ':' ... '>', 'F' 0x3F, 'Z' 0x53).
std::string NormaliseCode(std::string_view text);

// Each option is an item index into its character table: the pre-tone of the five-character
// types, the alarm type (all seven types), the tape, the pre-tone of the ten-character types.
std::string BuildTelegram(int encoderType, std::string_view codeText, int fiveCharPreTone,
                          int alarmType, int tape, int tenCharPreTone);

// 0x02, the text's bytes unchanged, 0x03.
std::string BuildFixedTelegram(std::string_view text);

// The 8-bit sum of a ten-character body, every byte after the leading 0x0A.
unsigned char TelegramChecksum(std::string_view body);

// Two upper-case hex digits with a leading zero: 0x0A gives "0A", 0xE3 gives "E3".
std::string ChecksumHex(unsigned char sum);
