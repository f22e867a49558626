#include "tools/encoder-sim/program/EventFormat.h"

#include "tests/tools/SimTestSupport.h"
#include "tools/encoder-sim/protocol/FrameDecoder.h"

#include <gtest/gtest.h>

using namespace EncoderSim;

namespace {

TReceivedFrame Received(std::string_view hex, TAlarmOutcome outcome, std::size_t waiting) {
    TFrameDecoder decoder;
    auto events = decoder.Feed(Bytes(hex));
    TReceivedFrame received;
    if (const auto* frame = std::get_if<TDecodedFrame>(&events.at(0)))
        received.Content = *frame;
    else
        received.Content = std::get<TRejectedFrame>(events.at(0));
    received.Outcome = outcome;
    received.Waiting = waiting;
    return received;
}

TEST(SimEventFormat, JsonStringsKeepEveryByte) {
    EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonString(std::string("\x00\x1F\x7F\xE4", 4)), R"("\u0000\u001F\u007F\u00E4")");
}

TEST(SimEventFormat, AcceptedTenCharacterFrame) {
    auto frame = Received("0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 45 33 0D",
                          TAlarmOutcome::Transmitting, 0);
    EXPECT_EQ(FormatEvent(frame, true),
              R"({"event":"frame","accepted":true,"family":"ten-character","types":["VAMI 1.4"],)"
              R"("code":"12345ABCDE","preTone":"?","preToneItem":0,"alarmType":"I",)"
              R"("alarmTypeItem":6,"tape":"0","tapeItem":1,"checksum":"E3","checksumForm":"hex",)"
              R"("outcome":"transmitting","waiting":0,)"
              R"("bytes":"0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 45 33 0D"})");
    EXPECT_EQ(FormatEvent(frame, false),
              "accepted ten-character (VAMI 1.4): code 12345ABCDE, pre-tone '?' item 0, alarm "
              "type 'I' item 6, tape '0' item 1, checksum E3 as hex digits -> transmitting, 0 "
              "waiting");
}

TEST(SimEventFormat, FixedCodeAndFiveCharacterFrames) {
    auto fixed = Received("02 31 32 33 34 61 03", TAlarmOutcome::Dropped, 3);
    EXPECT_EQ(FormatEvent(fixed, true),
              R"({"event":"frame","accepted":true,"family":"fixed-code","types":[],)"
              R"("text":"1234a","outcome":"dropped","waiting":3,"bytes":"02 31 32 33 34 61 03"})");
    EXPECT_EQ(FormatEvent(fixed, false), "accepted fixed-code: text \"1234a\" -> dropped");

    auto five = Received("02 40 31 32 33 34 35 60 03", TAlarmOutcome::Buffered, 2);
    EXPECT_EQ(FormatEvent(five, false),
              "accepted five-character (Standart  neu | ZUK  Geber): code 12345, pre-tone '@' "
              "item 0, alarm type '`' item 7 -> buffered, 2 waiting");
}

TEST(SimEventFormat, RejectedFramesAndNotices) {
    auto rejected = Received("0A 3F 31 0D", TAlarmOutcome::Dropped, 0);
    EXPECT_EQ(FormatEvent(rejected, true),
              R"({"event":"frame","accepted":false,"reason":"truncated","bytes":"0A 3F 31 0D"})");
    EXPECT_EQ(FormatEvent(rejected, false), "rejected truncated: 0A 3F 31 0D");

    TEncoderNotice on{TEncoderNotice::TKind::CarrierOn, "12345"};
    EXPECT_EQ(FormatEvent(on, true), R"({"event":"carrier-on","alarm":"12345"})");
    EXPECT_EQ(FormatEvent(on, false), "carrier on: 12345");
    TEncoderNotice off{TEncoderNotice::TKind::CarrierOff, {}};
    EXPECT_EQ(FormatEvent(off, true), R"({"event":"carrier-off"})");
    TEncoderNotice silent{TEncoderNotice::TKind::FellSilent, {}};
    EXPECT_EQ(FormatEvent(silent, false), "silent from now on");
}

TEST(SimEventFormat, StartLines) {
    TStartInfo info{"/tmp/d", "/tmp/d/COM1", "/dev/pts/4", {}};
    EXPECT_EQ(FormatStart(info, false),
              (std::vector<std::string>{
                  "folder: /tmp/d", "link: /tmp/d/COM1 -> /dev/pts/4",
                  "encoder: buffer 3, transmit 3000 ms, faults none; stop with Ctrl+C"}));
    info.Settings.Faults = Faults("nak garbage", std::chrono::seconds(2));
    EXPECT_EQ(FormatStart(info, true),
              (std::vector<std::string>{
                  R"({"event":"ready","dir":"/tmp/d","link":"/tmp/d/COM1","terminal":"/dev/pts/4",)"
                  R"("buffer":3,"txMs":3000,"faults":"nak, silent after 2000 ms, garbage"})"}));
}

} // namespace
