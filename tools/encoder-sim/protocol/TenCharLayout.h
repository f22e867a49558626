#pragma once
// The four layouts of the ten-character telegrams (0x0A, pre-tone, ten code bytes, alarm type,
// tape for some, checksum as one raw byte or two hex digits, 0x0D).
//
// A raw checksum may be any byte, 0x0A and 0x0D included, so a frame is recognised by its length
// and checksum rather than by its terminator: PrefixFits says whether received bytes can still
// grow into a frame of the layout, Completes whether they are one. Pure functions.

#include <array>
#include <cstddef>
#include <string_view>

namespace EncoderSim {

enum class TChecksumForm { None, Raw, Hex };

struct TTenCharLayout {
    int EncoderType;
    std::size_t Length;
    bool HasTape;
    TChecksumForm Form;

    // Offset of the checksum, right after the body.
    std::size_t ChecksumOffset() const { return HasTape ? 14 : 13; }
};

inline constexpr std::size_t TenCharPreToneOffset = 1;
inline constexpr std::size_t TenCharCodeOffset = 2;
inline constexpr std::size_t TenCharCodeLength = 10;
inline constexpr std::size_t TenCharAlarmTypeOffset = 12;
inline constexpr std::size_t TenCharTapeOffset = 13;
inline constexpr std::size_t TenCharMinLength = 15;
inline constexpr std::size_t TenCharMaxLength = 17;

inline constexpr std::array<TTenCharLayout, 4> TenCharLayouts = {{
    {3, 15, false, TChecksumForm::Raw},
    {4, 16, true, TChecksumForm::Raw},
    {5, 17, true, TChecksumForm::Hex},
    {6, 16, false, TChecksumForm::Hex},
}};

// `bytes` starts with 0x0A; true while every byte sits where the layout allows it (the checksum
// value itself is not checked).
bool PrefixFits(const TTenCharLayout& layout, std::string_view bytes);

// True when `bytes` is exactly one frame of the layout with a matching checksum.
bool Completes(const TTenCharLayout& layout, std::string_view bytes);

// The checksum a frame carries, decoded from its raw or hex form; the frame must complete.
unsigned char CarriedChecksum(const TTenCharLayout& layout, std::string_view frame);

} // namespace EncoderSim
