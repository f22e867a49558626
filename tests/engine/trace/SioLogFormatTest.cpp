#include "serial/engine/trace/SioLogFormat.h"

#include "TraceTestSupport.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

TEST(SioLogTimeTextTest, AtLeastSevenDigitsWithPointBeforeTheLastThree) {
    const struct {
        std::uint32_t Ms;
        const char* Text;
    } cases[] = {{0, "0000.000"},
                 {3, "0000.003"},
                 {12, "0000.012"},
                 {1234, "0001.234"},
                 {9'999'999, "9999.999"},
                 {12'345'678, "12345.678"},
                 {4'294'967'295u, "4294967.295"}};
    for (const auto& c : cases) {
        EXPECT_EQ(LogTimeText(c.Ms), c.Text) << c.Ms;
    }
}

struct TEntryCase {
    const char* Name;
    std::uint8_t Type;
    std::uint8_t Subtype;
    std::int32_t Value;
    std::vector<std::uint8_t> Data;
    bool Hex;
    bool AllHex;
    std::string Expected; // after the prefix's time column "0000.003  "
};

void PrintTo(const TEntryCase& c, std::ostream* out) {
    *out << c.Name;
}

const std::string Spaces44(SioLogPrefixWidth, ' ');

std::string Repeat(std::string_view text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i) {
        result += text;
    }
    return result;
}

std::vector<TEntryCase> EntryCases() {
    const std::string readPrefix = "Dispatch  ReadCom       00000009  ";
    return {
        {"QueuedWrite",
         1,
         2,
         2,
         {0x11, 0x05},
         true,
         false,
         "Dispatch  WriteCom      00000002  [11][05]\r\n"},
        {"QueuedWriteDecimal",
         1,
         2,
         2,
         {0x11, 0x05},
         false,
         false,
         "Dispatch  WriteCom      00000002  [17][5]\r\n"},
        {"ReadNothing", 1, 1, 0, {}, true, false, "Dispatch  ReadCom       00000000  \r\n"},
        {"Avail", 2, 5, 3, {}, true, false, "Trigger   Avail         00000003  \r\n"},
        {"WindowAdded",
         7,
         17,
         0x1234ABCD,
         {},
         true,
         false,
         "TrgHdAlc  Window        1234ABCD  \r\n"},
        {"WindowRemoved", 8, 17, -1, {}, true, false, "TrgHdDsp  Window        FFFFFFFF  \r\n"},
        {"ThresholdChanged", 9, 16, 1, {}, true, false, "TrDatChg  Avail         00000001  \r\n"},
        {"NoSubtype", 0, 0, 0, {}, true, false, "No event                00000000  \r\n"},
        {"UnknownTypeHasEmptyName",
         21,
         0,
         0,
         {},
         true,
         false,
         "                        00000000  \r\n"},
        {"TelnetOption", 10, 0, 1, {}, true, false, "Telnet                  00000001  [Echo]\r\n"},
        {"TelnetLastOption",
         10,
         0,
         42,
         {},
         true,
         false,
         "Telnet                  0000002A  [Character Set]\r\n"},
        {"TelnetUnknownOption",
         10,
         0,
         43,
         {},
         true,
         false,
         "Telnet                  0000002B  []\r\n"},
        {"TelnetNegativeOption",
         10,
         0,
         -1,
         {},
         true,
         false,
         "Telnet                  FFFFFFFF  []\r\n"},
        {"TelnetWithDataShowsBytes",
         10,
         0,
         1,
         {'x'},
         true,
         false,
         "Telnet                  00000001  x\r\n"},
        {"StatusTriggerKind",
         5,
         15,
         0,
         {2},
         true,
         false,
         "TrigAllc  Status        00000000  (Line status)\r\n"},
        {"StatusTriggerDisposed",
         6,
         15,
         0,
         {5, 1},
         true,
         false,
         "TrigDisp  Status        00000000  (Output sent)\r\n"},
        {"StatusTriggerUnknownKind",
         5,
         15,
         0,
         {6},
         true,
         false,
         "TrigAllc  Status        00000000  \r\n"},
        {"ModemBitsLowestFirst",
         1,
         4,
         0x91,
         {0x01},
         true,
         false,
         "Dispatch  Modem status  00000091  [01](DCTS CTS DCD)\r\n"},
        {"ModemNoBits",
         1,
         4,
         0x100,
         {0x01},
         true,
         false,
         "Dispatch  Modem status  00000100  [01]()\r\n"},
        {"ModemWithoutDataNamesNothing",
         1,
         4,
         0x10,
         {},
         true,
         false,
         "Dispatch  Modem status  00000010  \r\n"},
        {"UserBytesPlainInAllHex",
         19,
         0,
         0,
         {'A', 0x01},
         true,
         true,
         "User                    00000000  A\x01\r\n"},
        {"UserBytesRenderedOtherwise",
         19,
         0,
         0,
         {'A', 0x01},
         true,
         false,
         "User                    00000000  A[01]\r\n"},
        {"AllHex",
         1,
         1,
         2,
         {'A', 'B'},
         true,
         true,
         "Dispatch  ReadCom       00000002  [41][42]\r\n"},
        {"EightHexItemsFitNinthWraps", 1, 1, 9, std::vector<std::uint8_t>(9, 0x01), true, false,
         readPrefix + Repeat("[01]", 8) + "\r\n" + Spaces44 + "[01]\r\n"},
        {"ThirtyThreeCharactersPerLine", 1, 1, 9, std::vector<std::uint8_t>(67, 'A'), true, false,
         readPrefix + Repeat("A", 33) + "\r\n" + Spaces44 + Repeat("A", 33) + "\r\n" + Spaces44 +
             "A\r\n"},
    };
}

class SioLogEntryTest : public testing::TestWithParam<TEntryCase> {};

TEST_P(SioLogEntryTest, WritesExactLine) {
    const TEntryCase& c = GetParam();
    TSioLogHeader header;
    header.Type = c.Type;
    header.Subtype = c.Subtype;
    header.Time = 3;
    header.Value = c.Value;
    header.Length = static_cast<std::uint32_t>(c.Data.size());
    TStringSink sink;
    WriteLogEntry(sink, header, c.Data, c.Hex, c.AllHex);
    EXPECT_EQ(sink.Text, "0000.003  " + c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SioLogEntryTest, testing::ValuesIn(EntryCases()),
                         [](const testing::TestParamInfo<TEntryCase>& info) {
                             return std::string(info.param.Name);
                         });

TEST(SioLogEntryPrefixTest, IsFortyFourWideAndTimeMayWiden) {
    TSioLogHeader header;
    header.Type = 1;
    header.Subtype = 2;
    header.Time = 12'345'678;
    TStringSink sink;
    WriteLogEntry(sink, header, {}, true, false);
    EXPECT_EQ(sink.Text, "12345.678  Dispatch  WriteCom      00000000  \r\n");

    header.Time = 0;
    sink.Text.clear();
    WriteLogEntry(sink, header, {}, true, false);
    EXPECT_EQ(sink.Text.size(), SioLogPrefixWidth + 2);
}

TEST(SioLogHeaderLinesTest, SevenLines) {
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 11;
    time.tm_mday = 7;
    time.tm_hour = 9;
    time.tm_min = 5;
    time.tm_sec = 3;
    TStringSink sink;
    WriteLogHeader(sink, "Test OS 1.0", "COM3", time);
    EXPECT_EQ(sink.Text, "SIO v4.05\r\n"
                         "Compiler : Unknown\r\n"
                         "Operating System : Test OS 1.0\r\n"
                         "Device: COM3\r\n"
                         "Date/time: 07/12/26, 09:05:03\r\n"
                         "Time      Type      SubType       Data      OtherData\r\n"
                         "--------  --------  ------------  --------  ---------\r\n");
}

TEST(SioLogHeaderLinesTest, SystemDescriptionIsCutToEightyCharacters) {
    TStringSink sink;
    WriteLogHeader(sink, std::string(100, 'x'), "COM1", std::tm{});
    EXPECT_NE(sink.Text.find("Operating System : " + std::string(80, 'x') + "\r\n"),
              std::string::npos);
}

} // namespace
