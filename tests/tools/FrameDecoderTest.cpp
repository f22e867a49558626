#include "tools/encoder-sim/protocol/FrameDecoder.h"

#include "tests/tools/SimTestSupport.h"
#include "tools/encoder-sim/protocol/EncoderProtocol.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>

using namespace EncoderSim;

namespace {

// One line per event; neighbouring stray bytes are merged, since how they are grouped depends
// on how the bytes were cut into reads.
std::vector<std::string> Summaries(const std::vector<TDecoderEvent>& events) {
    std::vector<std::string> lines;
    bool lastWasStray = false;
    for (const auto& event : events) {
        if (std::holds_alternative<TPollRequest>(event)) {
            lines.push_back("poll");
            lastWasStray = false;
        } else if (const auto* frame = std::get_if<TDecodedFrame>(&event)) {
            std::string types;
            for (int type : frame->EncoderTypes)
                types += (types.empty() ? "" : "|") + std::string(EncoderTypeNames[type]);
            lines.push_back("accept " + (types.empty() ? "fixed" : types) + " " +
                            (frame->Family == TFrameFamily::FixedCode ? frame->Text : frame->Code));
            lastWasStray = false;
        } else {
            const auto& rejected = std::get<TRejectedFrame>(event);
            bool stray = rejected.Reason == TRejectReason::StrayBytes;
            std::string hex;
            for (char c : rejected.Bytes)
                hex += (hex.empty() ? "" : " ") + HexDigits(static_cast<unsigned char>(c));
            if (stray && lastWasStray)
                lines.back() += " " + hex;
            else
                lines.push_back("reject " + std::string(RejectReasonName(rejected.Reason)) + " " +
                                hex);
            lastWasStray = stray;
        }
    }
    return lines;
}

std::vector<TDecoderEvent> FeedInPieces(std::string_view bytes, std::size_t piece) {
    TFrameDecoder decoder;
    std::vector<TDecoderEvent> all;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        auto events = decoder.Feed(bytes.substr(at, piece));
        all.insert(all.end(), events.begin(), events.end());
    }
    return all;
}

struct TOption {
    char Byte;
    int Item;
};

struct TAcceptCase {
    const char* Name;
    const char* Hex;
    TFrameFamily Family;
    std::vector<int> Types;
    std::string Code;
    std::string Text;
    std::optional<TOption> PreTone;
    std::optional<TOption> AlarmType;
    std::optional<TOption> Tape;
    TChecksumForm Form;
    unsigned char Checksum;
};

// Test names show the case, not its bytes.
void PrintTo(const TAcceptCase& c, std::ostream* os) {
    *os << c.Name;
}

using F = TFrameFamily;
using C = TChecksumForm;

// clang-format off
const TAcceptCase AcceptCases[] = {
    {"StandartNeu", "02 40 31 32 33 34 35 49 03", F::FiveCharacter, {0, 2}, "12345", "@12345I",
     TOption{'@', 0}, TOption{'I', 6}, {}, C::None, 0},
    {"StandartAlt", "02 31 32 33 34 35 49 03", F::FiveCharacter, {1}, "12345", "12345I",
     {}, TOption{'I', 6}, {}, C::None, 0},
    {"LettersAndTableBytes", "02 38 31 3A 32 3B 33 46 03", F::FiveCharacter, {0, 2}, "1A2B3", "81:2;3F",
     TOption{'8', 5}, TOption{'F', 0}, {}, C::None, 0},
    {"Vami10", "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B3 0D", F::TenCharacter, {3}, "12345ABCDE", "",
     TOption{'?', 0}, TOption{'I', 6}, {}, C::Raw, 0xB3},
    {"Vami13", "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 E3 0D", F::TenCharacter, {4}, "12345ABCDE", "",
     TOption{'?', 0}, TOption{'I', 6}, TOption{'0', 1}, C::Raw, 0xE3},
    {"Vami14", "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 45 33 0D", F::TenCharacter, {5}, "12345ABCDE", "",
     TOption{'?', 0}, TOption{'I', 6}, TOption{'0', 1}, C::Hex, 0xE3},
    {"Vami20", "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 42 33 0D", F::TenCharacter, {6}, "12345ABCDE", "",
     TOption{'?', 0}, TOption{'I', 6}, {}, C::Hex, 0xB3},
    {"Vami14HexZeroA", "0A 63 30 31 32 33 34 35 36 37 38 39 46 54 30 41 0D", F::TenCharacter, {5}, "0123456789", "",
     TOption{'c', 3}, TOption{'F', 0}, TOption{'T', 0}, C::Hex, 0x0A},
    {"Vami20HexZeroA", "0A 6D 3E 3E 3E 3E 3E 3E 3E 30 34 3E 49 30 41 0D", F::TenCharacter, {6}, "EEEEEEE04E", "",
     TOption{'m', 13}, TOption{'I', 6}, {}, C::Hex, 0x0A},
    {"Vami10RawLineFeed", "0A 6D 3E 3E 3E 3E 3E 3E 3E 30 34 3E 49 0A 0D", F::TenCharacter, {3}, "EEEEEEE04E", "",
     TOption{'m', 13}, TOption{'I', 6}, {}, C::Raw, 0x0A},
    {"Vami10RawCarriageReturn", "0A 6D 3E 3E 3E 3E 3E 3E 3E 30 37 3E 49 0D 0D", F::TenCharacter, {3}, "EEEEEEE07E", "",
     TOption{'m', 13}, TOption{'I', 6}, {}, C::Raw, 0x0D},
    {"Vami10RawStx", "0A 6D 3E 3E 3E 3E 3E 3E 3E 30 30 3A 49 02 0D", F::TenCharacter, {3}, "EEEEEEE00A", "",
     TOption{'m', 13}, TOption{'I', 6}, {}, C::Raw, 0x02},
    {"Vami10RawEtx", "0A 6D 3E 3E 3E 3E 3E 3E 3E 30 30 3B 49 03 0D", F::TenCharacter, {3}, "EEEEEEE00B", "",
     TOption{'m', 13}, TOption{'I', 6}, {}, C::Raw, 0x03},
    {"Vami10RawPollByte", "0A 6D 3E 3E 3E 3E 3E 3E 3E 30 3B 3E 49 11 0D", F::TenCharacter, {3}, "EEEEEEE0BE", "",
     TOption{'m', 13}, TOption{'I', 6}, {}, C::Raw, 0x11},
    {"Vami13RawLineFeed", "0A 61 31 32 33 34 35 36 37 3A 3E 3E 57 30 0A 0D", F::TenCharacter, {4}, "1234567AEE", "",
     TOption{'a', 1}, TOption{'W', 2}, TOption{'0', 1}, C::Raw, 0x0A},
    {"Vami13RawCarriageReturn", "0A 61 31 32 33 34 35 36 37 3D 3E 3E 57 30 0D 0D", F::TenCharacter, {4}, "1234567DEE", "",
     TOption{'a', 1}, TOption{'W', 2}, TOption{'0', 1}, C::Raw, 0x0D},
    // Tape "0" and a sum of 0x05: the raw byte '5' of VAMI 1.3 reads as the digits "05" of
    // VAMI 2.0, so the line cannot tell the two apart.
    {"Vami13OrVami20", "0A 6D 3E 3E 3E 3E 3E 3E 3E 30 30 3D 49 30 35 0D", F::TenCharacter, {4, 6}, "EEEEEEE00D", "",
     TOption{'m', 13}, TOption{'I', 6}, TOption{'0', 1}, C::Raw, 0x35},
    {"PreToneN", "0A 6E 31 32 33 34 35 3A 3B 3C 3D 3E 49 E2 0D", F::TenCharacter, {3}, "12345ABCDE", "",
     TOption{'n', 14}, TOption{'I', 6}, {}, C::Raw, 0xE2},
    {"PreTone3000Hz", "0A E4 31 32 33 34 35 3A 3B 3C 3D 3E 49 58 0D", F::TenCharacter, {3}, "12345ABCDE", "",
     TOption{'\xE4', 27}, TOption{'I', 6}, {}, C::Raw, 0x58},
    {"PreToneOutsideTable", "0A 7B 31 32 33 34 35 3A 3B 3C 3D 3E 49 EF 0D", F::TenCharacter, {3}, "12345ABCDE", "",
     TOption{'{', -1}, TOption{'I', 6}, {}, C::Raw, 0xEF},
    {"FixedCode", "02 31 32 33 34 41 03", F::FixedCode, {}, "", "1234A",
     {}, {}, {}, C::None, 0},
    {"FixedCodeLowerCase", "02 31 32 33 34 61 03", F::FixedCode, {}, "", "1234a",
     {}, {}, {}, C::None, 0},
    {"FixedCodeEmpty", "02 03", F::FixedCode, {}, "", "",
     {}, {}, {}, C::None, 0},
    // A stored list entry is a five-character telegram byte for byte.
    {"FixedCodeLikeTelegram", "02 40 36 32 33 38 30 40 03", F::FiveCharacter, {0, 2}, "62380", "@62380@",
     TOption{'@', 0}, TOption{'@', 9}, {}, C::None, 0},
};
// clang-format on

void ExpectOption(const std::optional<TOptionByte>& actual, const std::optional<TOption>& expected,
                  const char* what) {
    ASSERT_EQ(actual.has_value(), expected.has_value()) << what;
    if (expected) {
        EXPECT_EQ(actual->Byte, static_cast<unsigned char>(expected->Byte)) << what;
        EXPECT_EQ(actual->Item, expected->Item) << what;
    }
}

class AcceptedFrameTest : public ::testing::TestWithParam<TAcceptCase> {};

TEST_P(AcceptedFrameTest, DecodesEveryField) {
    const auto& expected = GetParam();
    TFrameDecoder decoder;
    auto events = decoder.Feed(Bytes(expected.Hex));
    ASSERT_EQ(events.size(), 1u) << testing::PrintToString(Summaries(events));
    const auto* frame = std::get_if<TDecodedFrame>(&events[0]);
    ASSERT_NE(frame, nullptr) << Summaries(events)[0];
    EXPECT_EQ(frame->Bytes, Bytes(expected.Hex));
    EXPECT_EQ(frame->Family, expected.Family);
    EXPECT_EQ(frame->EncoderTypes, expected.Types);
    EXPECT_EQ(frame->Code, expected.Code);
    EXPECT_EQ(frame->Text, expected.Text);
    ExpectOption(frame->PreTone, expected.PreTone, "pre-tone");
    ExpectOption(frame->AlarmType, expected.AlarmType, "alarm type");
    ExpectOption(frame->Tape, expected.Tape, "tape");
    EXPECT_EQ(frame->ChecksumForm, expected.Form);
    EXPECT_EQ(frame->Checksum, expected.Checksum);
    EXPECT_EQ(decoder.PendingBytes(), 0u);
}

TEST_P(AcceptedFrameTest, SameResultHoweverTheReadsAreCut) {
    std::string stream = Bytes("11 05") + Bytes(GetParam().Hex) + Bytes("11 05");
    auto whole = Summaries(FeedInPieces(stream, stream.size()));
    ASSERT_EQ(whole.size(), 3u);
    EXPECT_EQ(whole[0], "poll");
    EXPECT_EQ(whole[2], "poll");
    for (std::size_t piece = 1; piece < stream.size(); ++piece)
        EXPECT_EQ(Summaries(FeedInPieces(stream, piece)), whole) << "pieces of " << piece;
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        TFrameDecoder decoder;
        auto events = decoder.Feed(std::string_view(stream).substr(0, cut));
        auto rest = decoder.Feed(std::string_view(stream).substr(cut));
        events.insert(events.end(), rest.begin(), rest.end());
        EXPECT_EQ(Summaries(events), whole) << "cut after " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Telegrams, AcceptedFrameTest, ::testing::ValuesIn(AcceptCases),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TResyncCase {
    const char* Name;
    std::string Stream;
    std::vector<std::string> Expected;
};

// Test names show the case, not its bytes.
void PrintTo(const TResyncCase& c, std::ostream* os) {
    *os << c.Name;
}

const std::string Vami10 = Bytes("0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B3 0D");
const std::string Vami10BadSum = Bytes("0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B4 0D");
const std::string Vami13 = Bytes("0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 E3 0D");
const std::string Fixed = Bytes("02 31 32 33 34 41 03");
const std::string Poll = Bytes("11 05");

const std::string Vami10Accepted = "accept VAMI 1.0 12345ABCDE";
const std::string FixedAccepted = "accept fixed 1234A";

std::string Repeated(const std::string& text, int count) {
    std::string all;
    for (int i = 0; i < count; ++i)
        all += text;
    return all;
}

const TResyncCase ResyncCases[] = {
    {"StrayBytesBeforeFrame",
     Bytes("00 FF 41") + Vami10,
     {"reject stray-bytes 00 FF 41", Vami10Accepted}},
    {"TenCharCutByNextFrame",
     Bytes("0A 3F 31 32") + Vami10,
     {"reject truncated 0A 3F 31 32", Vami10Accepted}},
    {"TenCharCutByPoll", Bytes("0A 3F 31") + Poll, {"reject truncated 0A 3F 31", "poll"}},
    {"TenCharCutByFixedCode",
     Bytes("0A 3F 31") + Fixed,
     {"reject truncated 0A 3F 31", FixedAccepted}},
    {"TenCharEndedEarly",
     Bytes("0A 3F 31 32 0D") + Poll,
     {"reject truncated 0A 3F 31 32 0D", "poll"}},
    {"StxCutByNextFrame", Bytes("02 40 31") + Fixed, {"reject truncated 02 40 31", FixedAccepted}},
    {"StxCutByPoll", Bytes("02 40 31") + Poll, {"reject truncated 02 40 31", "poll"}},
    {"StxCutByTenChar", Bytes("02 40 31") + Vami10, {"reject truncated 02 40 31", Vami10Accepted}},
    {"BadChecksumThenFrame",
     Vami10BadSum + Vami13,
     {"reject bad-checksum 0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B4 0D",
      "accept VAMI 1.3 12345ABCDE"}},
    {"BadChecksumThenPoll",
     Vami10BadSum + Poll,
     {"reject bad-checksum 0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B4 0D", "poll"}},
    // A wrong raw sum that looks like a tape byte keeps the longer layouts open for a moment.
    {"BadChecksumLikeTape",
     Bytes("0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 0D") + Poll,
     {"reject bad-checksum 0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 0D", "poll"}},
    {"BadHexDigits",
     Bytes("0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 42 34 0D") + Vami10,
     {"reject bad-checksum 0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 42 34 0D", Vami10Accepted}},
    {"CodeTooLong",
     Bytes("0A 3F 31 32 33 34 35 36 37 38 39 30 31 32 49 B3 0D") + Vami10,
     {"reject malformed 0A 3F 31 32 33 34 35 36 37 38 39 30 31 32 49", "reject stray-bytes B3 0D",
      Vami10Accepted}},
    {"LonePollByte", Bytes("11 41 11") + Poll, {"reject stray-bytes 11 41 11", "poll"}},
    {"FloodOfStx",
     std::string(50, '\x02') + Fixed,
     {"reject stray-bytes" + Repeated(" 02", 50), FixedAccepted}},
    {"FloodOfLineFeeds",
     std::string(40, '\x0A') + Vami10,
     {"reject stray-bytes" + Repeated(" 0A", 40), Vami10Accepted}},
    {"FixedCodeTooLong",
     "\x02" + std::string(300, '1') + "\x03" + Poll,
     {"reject too-long 02" + Repeated(" 31", 257),
      "reject stray-bytes" + Repeated(" 31", 43) + " 03", "poll"}},
};

class ResyncTest : public ::testing::TestWithParam<TResyncCase> {};

TEST_P(ResyncTest, RecoversRightAfterTheDamage) {
    const auto& param = GetParam();
    EXPECT_EQ(Summaries(FeedInPieces(param.Stream, param.Stream.size())), param.Expected);
    EXPECT_EQ(Summaries(FeedInPieces(param.Stream, 1)), param.Expected) << "byte by byte";
    EXPECT_EQ(Summaries(FeedInPieces(param.Stream, 7)), param.Expected) << "pieces of 7";
}

INSTANTIATE_TEST_SUITE_P(Damage, ResyncTest, ::testing::ValuesIn(ResyncCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(FrameDecoderFlood, RandomBytesNeitherHoldNorHideTheNextFrames) {
    std::minstd_rand random(4711);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> piece(1, 4096);
    std::string flood;
    for (int i = 0; i < 200'000; ++i)
        flood += static_cast<char>(byte(random));

    TFrameDecoder decoder;
    std::vector<TDecoderEvent> events;
    for (std::size_t at = 0; at < flood.size();) {
        std::size_t size = std::min(piece(random), flood.size() - at);
        auto more = decoder.Feed(std::string_view(flood).substr(at, size));
        events.insert(events.end(), more.begin(), more.end());
        at += size;
        EXPECT_LE(decoder.PendingBytes(), MaxFixedCodeLength + 1);
    }
    for (const auto& event : events) {
        if (const auto* rejected = std::get_if<TRejectedFrame>(&event)) {
            EXPECT_LE(rejected->Bytes.size(), MaxFixedCodeLength + 2);
        }
    }
    auto tail = Summaries(decoder.Feed(Poll + Vami10 + Fixed + Poll));
    ASSERT_GE(tail.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(tail.end() - 4, tail.end()),
              (std::vector<std::string>{"poll", Vami10Accepted, FixedAccepted, "poll"}));
    EXPECT_EQ(decoder.PendingBytes(), 0u);
}

TEST(FrameDecoderFlood, NoFrameIsLostBetweenMeaninglessBytes) {
    std::string stream;
    for (int i = 0; i < 500; ++i)
        stream += Bytes("00 7F FF 41") + Vami10 + Poll + Fixed + Vami13;
    TFrameDecoder decoder;
    std::size_t accepted = 0;
    std::size_t polls = 0;
    for (const auto& event : FeedInPieces(stream, 33)) {
        accepted += std::holds_alternative<TDecodedFrame>(event);
        polls += std::holds_alternative<TPollRequest>(event);
    }
    EXPECT_EQ(accepted, 1500u);
    EXPECT_EQ(polls, 500u);
}

} // namespace
