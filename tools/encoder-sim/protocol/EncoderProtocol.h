#pragma once
// The encoder's view of the line protocol: the bytes that frame telegrams and polls, the reply
// bytes, the option tables that fill a telegram, the encoder types and the checksum helpers.
//
// Pure constants and functions without state; any thread may call them. Nothing here fails:
// lookups that find nothing say so in their return value.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace EncoderSim {

inline constexpr unsigned char Stx = 0x02;
inline constexpr unsigned char Etx = 0x03;
inline constexpr unsigned char LineFeed = 0x0A;
inline constexpr unsigned char CarriageReturn = 0x0D;
inline constexpr unsigned char PollFirst = 0x11;
inline constexpr unsigned char PollSecond = 0x05;

inline constexpr unsigned char ReplyAck = 0x06;
inline constexpr unsigned char ReplyCarrierOff = 0x12;
inline constexpr unsigned char ReplyCarrierOn = 0x14;
inline constexpr unsigned char ReplyNak = 0x15;
inline constexpr unsigned char ReplyEncoderRunning = 0x16;

inline constexpr std::string_view FiveCharPreToneChars = "@12348ABCD";
// Pre-tones n to z and the 3000 Hz tone "\xE4" follow m on the program's list.
inline constexpr std::string_view TenCharPreToneChars = "?abcdefghijklmnopqrstuvwxyz\xE4";
inline constexpr std::string_view AlarmTypeChars = "\x46\x50\x57\x41\x4B\x45\x49\x60\x69\x40";
inline constexpr std::string_view TapeChars = "T0";

inline constexpr int EncoderTypeCount = 7;
// The operator's names of the encoder types, indexed by type.
inline constexpr std::array<std::string_view, EncoderTypeCount> EncoderTypeNames = {
    "Standart  neu", "Standart alt", "ZUK  Geber", "VAMI 1.0", "VAMI 1.3", "VAMI 1.4", "VAMI 2.0"};

// The option item whose table byte this is, or -1 when the table does not hold it.
int TableItem(std::string_view table, unsigned char byte);

// The character the operator typed for a normalised code byte: digits stay, 0x3A and up were
// letters lowered by 7. Empty for bytes no typed letter or digit can produce.
std::optional<char> TypedCodeChar(unsigned char byte);

// The 8-bit sum of the bytes, carries discarded.
unsigned char ByteSum(std::string_view bytes);

// Two upper-case hexadecimal digits with a leading zero.
std::string HexDigits(unsigned char value);

bool IsUpperHexDigit(unsigned char byte);

// True for the five reply bytes that carry a meaning for the program.
bool IsMeaningfulReply(unsigned char byte);

// Bytes that frame telegrams and polls; none of them appears inside a telegram's body.
bool IsFramingByte(unsigned char byte);

} // namespace EncoderSim
