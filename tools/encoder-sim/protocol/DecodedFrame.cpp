#include "tools/encoder-sim/protocol/DecodedFrame.h"

#include "tools/encoder-sim/protocol/EncoderProtocol.h"

#include <algorithm>

namespace EncoderSim {

namespace {

constexpr std::size_t FiveCharCodeLength = 5;

TOptionByte Option(std::string_view table, char byte) {
    auto value = static_cast<unsigned char>(byte);
    return {value, TableItem(table, value)};
}

// The code field admits 0-9 and A-E only, which normalise onto 0x30 to 0x3E.
bool IsTypedCode(std::string_view code) {
    return std::all_of(code.begin(), code.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte >= 0x30 && byte <= 0x3E;
    });
}

bool IsAlarmTypeByte(char c) {
    return TableItem(AlarmTypeChars, static_cast<unsigned char>(c)) >= 0;
}

} // namespace

std::string TypedCode(std::string_view normalised) {
    std::string typed;
    for (char c : normalised)
        typed += TypedCodeChar(static_cast<unsigned char>(c)).value_or(c);
    return typed;
}

std::string_view FamilyName(TFrameFamily family) {
    switch (family) {
    case TFrameFamily::FiveCharacter:
        return "five-character";
    case TFrameFamily::TenCharacter:
        return "ten-character";
    case TFrameFamily::FixedCode:
        break;
    }
    return "fixed-code";
}

TDecodedFrame DecodeStxFrame(std::string frame) {
    TDecodedFrame decoded;
    decoded.Text = frame.substr(1, frame.size() - 2);
    decoded.Bytes = std::move(frame);
    std::string_view body = decoded.Text;

    bool withPreTone = body.size() == FiveCharCodeLength + 2 &&
                       TableItem(FiveCharPreToneChars, static_cast<unsigned char>(body[0])) >= 0;
    bool withoutPreTone = body.size() == FiveCharCodeLength + 1;
    if (!withPreTone && !withoutPreTone)
        return decoded;
    auto code = body.substr(withPreTone ? 1 : 0, FiveCharCodeLength);
    if (!IsTypedCode(code) || !IsAlarmTypeByte(body.back()))
        return decoded;

    decoded.Family = TFrameFamily::FiveCharacter;
    // "Standart  neu" and "ZUK  Geber" share one layout.
    decoded.EncoderTypes = withPreTone ? std::vector<int>{0, 2} : std::vector<int>{1};
    decoded.Code = TypedCode(code);
    if (withPreTone)
        decoded.PreTone = Option(FiveCharPreToneChars, body[0]);
    decoded.AlarmType = Option(AlarmTypeChars, body.back());
    return decoded;
}

TDecodedFrame DecodeTenCharFrame(std::string frame, const std::vector<TTenCharLayout>& layouts) {
    const TTenCharLayout& layout = layouts.front();
    TDecodedFrame decoded;
    decoded.Family = TFrameFamily::TenCharacter;
    for (const auto& each : layouts)
        decoded.EncoderTypes.push_back(each.EncoderType);
    decoded.Code = TypedCode(std::string_view(frame).substr(TenCharCodeOffset, TenCharCodeLength));
    decoded.PreTone = Option(TenCharPreToneChars, frame[TenCharPreToneOffset]);
    decoded.AlarmType = Option(AlarmTypeChars, frame[TenCharAlarmTypeOffset]);
    if (layout.HasTape)
        decoded.Tape = Option(TapeChars, frame[TenCharTapeOffset]);
    decoded.ChecksumForm = layout.Form;
    decoded.Checksum = CarriedChecksum(layout, frame);
    decoded.Bytes = std::move(frame);
    return decoded;
}

} // namespace EncoderSim
