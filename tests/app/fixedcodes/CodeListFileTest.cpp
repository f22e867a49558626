#include "app/fixedcodes/CodeListFile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

class CodeListFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "codelist-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(Dir_); }

    std::string Write(const std::string& name, const std::string& content) {
        const std::filesystem::path path = Dir_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::filesystem::path Dir_;
};

TEST_F(CodeListFileTest, ReadsWholeFileByTheLineRules) {
    const TCodeListRead read =
        ReadCodeListFile(Write("Tonfolgen.txt", "1234A\r\n56789\n00000\r\n"));
    ASSERT_EQ(read.Outcome, TCodeListOutcome::Whole);
    EXPECT_EQ(read.Entries, (std::vector<std::string>{"1234A", "56789", "00000"}));
}

TEST_F(CodeListFileTest, EmptyFileIsAnEmptyList) {
    const TCodeListRead read = ReadCodeListFile(Write("Tonfolgen.txt", ""));
    ASSERT_EQ(read.Outcome, TCodeListOutcome::Whole);
    EXPECT_TRUE(read.Entries.empty());
}

TEST_F(CodeListFileTest, LongFileIsReadWhole) {
    std::string content;
    for (int i = 0; i < 5000; ++i)
        content += std::to_string(10000 + i) + "\r\n";
    const TCodeListRead read = ReadCodeListFile(Write("Tonfolgen.txt", content));
    ASSERT_EQ(read.Outcome, TCodeListOutcome::Whole);
    ASSERT_EQ(read.Entries.size(), 5000u);
    EXPECT_EQ(read.Entries.back(), "14999");
}

TEST_F(CodeListFileTest, MissingFileIsUnreadableAndOnlyRegularFilesAreRead) {
    EXPECT_EQ(ReadCodeListFile((Dir_ / "Tonfolgen.txt").string()).Outcome,
              TCodeListOutcome::Unreadable);
    std::filesystem::create_directory(Dir_ / "folder");
    ASSERT_EQ(mkfifo((Dir_ / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", Dir_ / "zero");
    for (const char* name : {"folder", "fifo", "zero"})
        EXPECT_EQ(ReadCodeListFile((Dir_ / name).string()).Outcome, TCodeListOutcome::NotRegular)
            << name;
}

struct TLimitCase {
    const char* Name;
    std::size_t Lines;
    std::size_t LineLength; // without its CR LF
    std::size_t Entries;
    TCodeListOutcome Outcome;
};

void PrintTo(const TLimitCase& c, std::ostream* os) {
    *os << c.Name;
}

class CodeListLimitTest : public CodeListFileTest, public testing::WithParamInterface<TLimitCase> {};

// A line cut by the byte limit is dropped whole; the entry limit keeps the first entries.
TEST_P(CodeListLimitTest, KeepsTheBeginningWithinTheLimits) {
    const TLimitCase& c = GetParam();
    std::string content;
    for (std::size_t i = 0; i < c.Lines; ++i)
        content += std::string(c.LineLength, static_cast<char>('0' + i % 10)) + "\r\n";
    const TCodeListRead read = ReadCodeListFile(Write("Tonfolgen.txt", content));
    EXPECT_EQ(read.Outcome, c.Outcome);
    ASSERT_EQ(read.Entries.size(), c.Entries);
    if (c.Entries > 0) {
        const char last = static_cast<char>('0' + (c.Entries - 1) % 10);
        EXPECT_EQ(read.Entries.back(), std::string(c.LineLength, last));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, CodeListLimitTest,
    testing::Values(
        TLimitCase{"MostEntries", CodeListMaxEntries, 5, CodeListMaxEntries,
                   TCodeListOutcome::Whole},
        TLimitCase{"OneEntryTooMany", CodeListMaxEntries + 1, 5, CodeListMaxEntries,
                   TCodeListOutcome::Cut},
        TLimitCase{"ExactlyTheByteLimit", 1024, 1022, 1024, TCodeListOutcome::Whole},
        TLimitCase{"ByteLimitCutsALine", 1025, 1022, 1024, TCodeListOutcome::Cut},
        TLimitCase{"OneLineBeyondTheByteLimit", 1, CodeListMaxBytes, 0, TCodeListOutcome::Cut}),
    [](const testing::TestParamInfo<TLimitCase>& info) { return info.param.Name; });

} // namespace
