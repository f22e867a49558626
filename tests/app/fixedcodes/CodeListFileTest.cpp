#include "app/fixedcodes/CodeListFile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

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
    const auto read = ReadCodeListFile(Write("Tonfolgen.txt", "1234A\r\n56789\n00000\r\n"));
    ASSERT_EQ(read.Outcome, TCodeListOutcome::Whole);
    EXPECT_EQ(read.Entries, (std::vector<std::string>{"1234A", "56789", "00000"}));
}

TEST_F(CodeListFileTest, EmptyFileIsAnEmptyList) {
    const auto read = ReadCodeListFile(Write("Tonfolgen.txt", ""));
    ASSERT_EQ(read.Outcome, TCodeListOutcome::Whole);
    EXPECT_TRUE(read.Entries.empty());
}

TEST_F(CodeListFileTest, LongFileIsReadWhole) {
    std::string content;
    for (int i = 0; i < 5000; ++i)
        content += std::to_string(10000 + i) + "\r\n";
    const auto read = ReadCodeListFile(Write("Tonfolgen.txt", content));
    ASSERT_EQ(read.Outcome, TCodeListOutcome::Whole);
    ASSERT_EQ(read.Entries.size(), 5000u);
    EXPECT_EQ(read.Entries.back(), "14999");
}

TEST_F(CodeListFileTest, MissingFileIsUnreadableAndAFolderNoRegularFile) {
    EXPECT_EQ(ReadCodeListFile((Dir_ / "Tonfolgen.txt").string()).Outcome,
              TCodeListOutcome::Unreadable);
    std::filesystem::create_directory(Dir_ / "folder");
    EXPECT_EQ(ReadCodeListFile((Dir_ / "folder").string()).Outcome, TCodeListOutcome::NotRegular);
}

} // namespace
