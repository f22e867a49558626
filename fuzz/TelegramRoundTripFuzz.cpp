// Every telegram the program can send, through the simulated encoder's frame decoder.
//
// Input: the encoder type and the items of RadioGroup1 ... RadioGroup4, one byte each taken
// modulo the list's or table's size, then one byte per code character, mapped onto what the code
// field admits (0-9, A-E, a-e). The telegram goes out between two polls, as the window sends it;
// the simulator must see the two polls and one frame of the type's family that reads back the
// code, the options and the checksum.

#include "app/supervision/ReplyDecoding.h"
#include "app/telegram/EncoderTypes.h"
#include "app/telegram/TelegramBuilder.h"
#include "app/telegram/TelegramTables.h"
#include "fuzz/FuzzCheck.h"
#include "tools/encoder-sim/protocol/EncoderProtocol.h"
#include "tools/encoder-sim/protocol/FrameDecoder.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::string_view CodeCharacters = "0123456789ABCDEabcde";

int Item(TFuzzInput& input, std::string_view table) {
    return static_cast<int>(input.Byte() % table.size());
}

std::string Code(TFuzzInput& input, int length) {
    std::string code;
    for (int i = 0; i < length; ++i) {
        code += CodeCharacters[input.Byte() % CodeCharacters.size()];
    }
    return code;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return text;
}

// The option byte the telegram carries and the simulator's item for it: the program's item
// where the simulator's table has it, -1 beyond the simulator's table.
void CheckOption(const std::optional<EncoderSim::TOptionByte>& seen, std::string_view simTable,
                 int item, char sent) {
    FUZZ_CHECK(seen.has_value());
    FUZZ_CHECK(seen->Byte == static_cast<unsigned char>(sent));
    FUZZ_CHECK(seen->Item == (item < static_cast<int>(simTable.size()) ? item : -1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const TEncoderType& type = EncoderTypes[input.Byte() % EncoderTypes.size()];
    const int group1 = Item(input, FiveCharPreToneChars);
    const int group2 = Item(input, AlarmTypeChars);
    const int group3 = Item(input, TapeChars);
    const int group4 = Item(input, TenCharPreToneChars);
    const std::string code = Code(input, type.CodeLength);

    const std::string telegram = BuildTelegram(type.Index, code, group1, group2, group3, group4);
    FUZZ_CHECK(!telegram.empty());
    const std::string poll(PollRequest);
    EncoderSim::TFrameDecoder decoder;
    const auto events = decoder.Feed(poll + telegram + poll);
    FUZZ_CHECK(events.size() == 3 && decoder.PendingBytes() == 0);
    FUZZ_CHECK(std::holds_alternative<EncoderSim::TPollRequest>(events[0]));
    FUZZ_CHECK(std::holds_alternative<EncoderSim::TPollRequest>(events[2]));
    const auto* frame = std::get_if<EncoderSim::TDecodedFrame>(&events[1]);
    FUZZ_CHECK(frame != nullptr && frame->Bytes == telegram);

    const bool five = type.Family == efFiveCharacter;
    FUZZ_CHECK(frame->Family == (five ? EncoderSim::TFrameFamily::FiveCharacter
                                      : EncoderSim::TFrameFamily::TenCharacter));
    FUZZ_CHECK(std::find(frame->EncoderTypes.begin(), frame->EncoderTypes.end(), type.Index) !=
               frame->EncoderTypes.end());
    FUZZ_CHECK(frame->Code == Upper(code));
    CheckOption(frame->AlarmType, EncoderSim::AlarmTypeChars, group2,
                *TableByte(AlarmTypeChars, group2));
    if (type.HasTape && frame->EncoderTypes.front() == type.Index) {
        CheckOption(frame->Tape, EncoderSim::TapeChars, group3, *TableByte(TapeChars, group3));
    }
    if (!type.HasPreTone) {
        FUZZ_CHECK(!frame->PreTone.has_value());
    } else if (five) {
        CheckOption(frame->PreTone, EncoderSim::FiveCharPreToneChars, group1,
                    *TableByte(FiveCharPreToneChars, group1));
    } else {
        CheckOption(frame->PreTone, EncoderSim::TenCharPreToneChars, group4,
                    *TableByte(TenCharPreToneChars, group4));
    }
    // A VAMI 2.0 frame can also complete the VAMI 1.3 layout, which then names the fields.
    if (!five && frame->EncoderTypes.front() == type.Index) {
        const std::size_t end = telegram.size() - 1 - (type.Checksum == csHexDigits ? 2 : 1);
        FUZZ_CHECK(frame->Checksum == TelegramChecksum(std::string_view(telegram).substr(0, end)));
    }
    return 0;
}
