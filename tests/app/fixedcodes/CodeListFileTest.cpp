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
    const auto entries = ReadCodeListFile(Write("Tonfolgen.txt", "1234A\r\n56789\n00000\r\n"));
    ASSERT_TRUE(entries);
    EXPECT_EQ(*entries, (std::vector<std::string>{"1234A", "56789", "00000"}));
}

TEST_F(CodeListFileTest, EmptyFileIsAnEmptyList) {
    const auto entries = ReadCodeListFile(Write("Tonfolgen.txt", ""));
    ASSERT_TRUE(entries);
    EXPECT_TRUE(entries->empty());
}

TEST_F(CodeListFileTest, LongFileIsReadWhole) {
    std::string content;
    for (int i = 0; i < 5000; ++i)
        content += std::to_string(10000 + i) + "\r\n";
    const auto entries = ReadCodeListFile(Write("Tonfolgen.txt", content));
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 5000u);
    EXPECT_EQ(entries->back(), "14999");
}

TEST_F(CodeListFileTest, MissingFileOrFolderIsUnreadable) {
    EXPECT_FALSE(ReadCodeListFile((Dir_ / "Tonfolgen.txt").string()));
    std::filesystem::create_directory(Dir_ / "folder");
    EXPECT_FALSE(ReadCodeListFile((Dir_ / "folder").string()));
}

} // namespace
