#include "serial/engine/trace/SioTraceFormat.h"

#include "TraceTestSupport.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct TTraceEntry {
    char Kind;
    std::uint8_t Byte;
};

std::string Format(const std::vector<TTraceEntry>& entries, bool hex, bool allHex) {
    TStringSink sink;
    TSioTraceFormatter formatter(sink, hex, allHex);
    for (const TTraceEntry& entry : entries) {
        formatter.Add(entry.Kind, entry.Byte);
    }
    return sink.Text;
}

std::vector<TTraceEntry> Run(char kind, std::uint8_t byte, int count) {
    return std::vector<TTraceEntry>(static_cast<std::size_t>(count), TTraceEntry{kind, byte});
}

std::string Repeat(std::string_view text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i) {
        result += text;
    }
    return result;
}

struct TFormatCase {
    const char* Name;
    std::vector<TTraceEntry> Entries;
    bool Hex;
    bool AllHex;
    std::string Expected;
};

void PrintTo(const TFormatCase& c, std::ostream* out) {
    *out << c.Name;
}

std::vector<TFormatCase> FormatCases() {
    std::vector<TTraceEntry> transmitThenReceive = {{'T', 0x11}, {'T', 0x05}, {'R', 0x06}};
    std::vector<TTraceEntry> fullLineThenMore = Run('R', 'A', 78);
    fullLineThenMore.push_back({'R', 'B'});
    std::vector<TTraceEntry> twoFullRuns = Run('T', 'A', 78);
    for (const TTraceEntry& entry : Run('R', 'B', 78)) {
        twoFullRuns.push_back(entry);
    }
    return {
        {"ReceivedHex", {{'R', 0x06}, {'R', 0x41}}, true, false, "Receive: \r\n[06]A"},
        {"ReceivedDecimal", {{'R', 0x06}, {'R', 0x41}}, false, false, "Receive: \r\n[6]A"},
        {"ReceivedAllHex", {{'R', 0x06}, {'R', 0x41}}, true, true, "Receive: \r\n[06][41]"},
        {"SpaceShownInHexOnly", {{'T', ' '}, {'T', ' '}}, true, false, "Transmit: \r\n[20][20]"},
        {"SpaceIsCharacterWithoutHex", {{'T', ' '}}, false, false, "Transmit: \r\n "},
        {"SpecialKind", {{'X', 'z'}}, true, false, "Special-X: \r\nz"},
        {"TransmitThenReceive", transmitThenReceive, true, false,
         "Transmit: \r\n[11][05]\r\n\r\nReceive: \r\n[06]"},
        {"TwentyItemsWrapAfterNineteen", Run('R', 0x01, 20), true, false,
         "Receive: \r\n" + Repeat("[01]", 19) + "\r\n[01]"},
        {"SeventyEightColumnsFitOneLine", fullLineThenMore, true, false,
         "Receive: \r\n" + Repeat("A", 78) + "\r\nB"},
        {"NewRunStartsAtColumnZero", twoFullRuns, true, false,
         "Transmit: \r\n" + Repeat("A", 78) + "\r\n\r\nReceive: \r\n" + Repeat("B", 78)},
        {"DecimalWidthsWrap", Run('R', 200, 16), false, false,
         "Receive: \r\n" + Repeat("[200]", 15) + "\r\n[200]"},
    };
}

class SioTraceFormatTest : public testing::TestWithParam<TFormatCase> {};

TEST_P(SioTraceFormatTest, WritesExactText) {
    const TFormatCase& c = GetParam();
    EXPECT_EQ(Format(c.Entries, c.Hex, c.AllHex), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SioTraceFormatTest, testing::ValuesIn(FormatCases()),
                         [](const testing::TestParamInfo<TFormatCase>& info) {
                             return std::string(info.param.Name);
                         });

TEST(SioTraceFormatLinesTest, TransmitReceiveExampleHasFiveLinesWithoutFinalLineEnd) {
    const std::string text = Format({{'T', 0x11}, {'T', 0x05}, {'R', 0x06}}, true, false);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    EXPECT_EQ(lines, (std::vector<std::string>{"Transmit: ", "[11][05]", "", "Receive: ", "[06]"}));
}

} // namespace
