#pragma once
// The seven encoder types and the frame each expects.
//
// A type is the 0-based item index of the encoder-type selector. Each entry holds the item text
// exactly as the selector shows it, the full code length, the family and the pieces of its
// telegram layout, so the telegram builder needs no per-type branches. Constant data: any thread
// may read it. FindEncoderType returns nullptr for an index outside the list.

#include <array>
#include <string_view>

enum TEncoderFamily : unsigned char {
    efFiveCharacter, // 0x02 ... 0x03, no checksum
    efTenCharacter,  // 0x0A ... checksum, 0x0D
};

enum TChecksumForm : unsigned char {
    csNone,
    csRawByte,   // the 8-bit sum as one byte, any value 0x00 ... 0xFF
    csHexDigits, // the 8-bit sum as two upper-case hex digits
};

struct TEncoderType {
    int Index;
    std::string_view ItemText;
    int CodeLength;
    TEncoderFamily Family;
    bool HasPreTone;
    bool HasTape;
    TChecksumForm Checksum;
};

inline constexpr int etStandartNeu = 0;
inline constexpr int etStandartAlt = 1;
inline constexpr int etZukGeber = 2;
inline constexpr int etVami10 = 3;
inline constexpr int etVami13 = 4;
inline constexpr int etVami14 = 5;
inline constexpr int etVami20 = 6;

inline constexpr std::array<TEncoderType, 7> EncoderTypes{{
    {etStandartNeu, "Standart  neu", 5, efFiveCharacter, true, false, csNone},
    // Takes no pre-tone byte, although the window shows the pre-tone group for it.
    {etStandartAlt, "Standart alt", 5, efFiveCharacter, false, false, csNone},
    {etZukGeber, "ZUK  Geber", 5, efFiveCharacter, true, false, csNone},
    {etVami10, "VAMI 1.0", 10, efTenCharacter, true, false, csRawByte},
    {etVami13, "VAMI 1.3", 10, efTenCharacter, true, true, csRawByte},
    {etVami14, "VAMI 1.4", 10, efTenCharacter, true, true, csHexDigits},
    {etVami20, "VAMI 2.0", 10, efTenCharacter, true, false, csHexDigits},
}};

constexpr const TEncoderType* FindEncoderType(int index) {
    if (index < 0 || index >= static_cast<int>(EncoderTypes.size())) {
        return nullptr;
    }
    return &EncoderTypes[static_cast<std::size_t>(index)];
}
