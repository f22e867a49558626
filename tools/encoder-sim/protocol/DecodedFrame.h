#pragma once
// What the encoder makes of one complete frame: its family, the encoder types whose layout it
// matches, and the fields read back into the operator's terms (the code as typed, the option
// bytes with their item numbers, the checksum).
//
// Plain values; DecodeStxFrame and DecodeTenCharFrame are pure and never fail: a 0x02 ... 0x03
// frame that matches no five-character layout is a fixed code.

#include "tools/encoder-sim/protocol/TenCharLayout.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace EncoderSim {

enum class TFrameFamily { FiveCharacter, TenCharacter, FixedCode };

// One option byte of a telegram and the item of its table (-1 when the table lacks the byte).
struct TOptionByte {
    unsigned char Byte = 0;
    int Item = -1;

    bool operator==(const TOptionByte&) const = default;
};

struct TDecodedFrame {
    std::string Bytes; // the frame as received, start and end bytes included
    TFrameFamily Family = TFrameFamily::FixedCode;
    // Encoder types whose layout the frame matches; several when the line cannot tell them
    // apart, empty for a fixed code.
    std::vector<int> EncoderTypes;
    std::string Text; // body of a 0x02 ... 0x03 frame, unchanged
    std::string Code; // the code as the operator typed it (telegrams only)
    std::optional<TOptionByte> PreTone;
    std::optional<TOptionByte> AlarmType;
    std::optional<TOptionByte> Tape;
    TChecksumForm ChecksumForm = TChecksumForm::None;
    unsigned char Checksum = 0;
};

TDecodedFrame DecodeStxFrame(std::string frame);
// `layouts` are the layouts the frame completes, in table order; the first one names the fields.
TDecodedFrame DecodeTenCharFrame(std::string frame, const std::vector<TTenCharLayout>& layouts);

// Digits stay, letters come back from their lowered bytes; other bytes are kept as they came.
std::string TypedCode(std::string_view normalised);

std::string_view FamilyName(TFrameFamily family);

} // namespace EncoderSim
