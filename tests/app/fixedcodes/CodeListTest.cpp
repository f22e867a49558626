#include "app/fixedcodes/CodeList.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using TEntries = std::vector<std::string>;

struct TSplitCase {
    const char* Name;
    std::string Content;
    TEntries Entries;
};

// Test names show the case, not its bytes.
void PrintTo(const TSplitCase& c, std::ostream* os) {
    *os << c.Name;
}

class SplitCodeListTest : public testing::TestWithParam<TSplitCase> {};

TEST_P(SplitCodeListTest, Splits) {
    EXPECT_EQ(SplitCodeList(GetParam().Content), GetParam().Entries);
}

INSTANTIATE_TEST_SUITE_P(
    LineRules, SplitCodeListTest,
    testing::Values(TSplitCase{"Empty", "", {}}, TSplitCase{"OneLineNoBreak", "1234A", {"1234A"}},
                    TSplitCase{"CrLf", "1234A\r\n56789\r\n00000", {"1234A", "56789", "00000"}},
                    TSplitCase{"LoneLf", "a\nb\n", {"a", "b"}},
                    TSplitCase{"LoneCr", "a\rb\r", {"a", "b"}},
                    TSplitCase{"Mixed", "a\r\nb\rc\nd", {"a", "b", "c", "d"}},
                    TSplitCase{"FinalBreakAddsNoEntry", "a\r\n", {"a"}},
                    TSplitCase{"EmptyLinesKept", "a\n\nb\r\n\r\n", {"a", "", "b", ""}},
                    TSplitCase{"OnlyBreak", "\n", {""}},
                    TSplitCase{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
                    TSplitCase{"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
                    TSplitCase{"NothingTrimmed", " 12 \t\r\n\t", {" 12 \t", "\t"}},
                    TSplitCase{"NulEndsContent", std::string("ab\ncd\0ef\ngh", 11), {"ab", "cd"}},
                    TSplitCase{"NulAtStart", std::string("\0ab", 3), {}},
                    TSplitCase{"HighBytesKept", "\xE4\xFF\x01\n\x80", {"\xE4\xFF\x01", "\x80"}}),
    [](const testing::TestParamInfo<TSplitCase>& info) { return info.param.Name; });

TEST(StoredFixedCodes, AreTheElevenEntries) {
    const TEntries& codes = StoredFixedCodes();
    ASSERT_EQ(codes.size(), 11u);
    EXPECT_EQ(codes.front(), "@62380@");
    EXPECT_EQ(codes[5], "@62385@");
    EXPECT_EQ(codes.back(), "@62390@");
}

} // namespace
