#include "serial/engine/trace/SioTextFile.h"

#include "TraceTestSupport.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(SioTextFileTest, TextAroundTheBufferSizeArrivesWhole) {
    TTempFolder folder;
    const std::string name = folder.File("out.txt");
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, TSioTextFile::BufferSize - 1, TSioTextFile::BufferSize,
          TSioTextFile::BufferSize + 1, std::size_t{5000}}) {
        std::string text(size, 'x');
        for (std::size_t i = 0; i < size; ++i) {
            text[i] = static_cast<char>('a' + i % 26);
        }
        TSioTextFile file;
        ASSERT_EQ(file.Open(name, false), ecOK);
        for (std::size_t at = 0; at < size; at += 7) {
            file.Write(std::string_view(text).substr(at, 7));
        }
        ASSERT_EQ(file.Close(), ecOK);
        EXPECT_EQ(ReadWholeFile(name), text) << size;
    }
}

TEST(SioTextFileTest, AppendExtendsAndReplaceTruncates) {
    TTempFolder folder;
    const std::string name = folder.File("out.txt");
    WriteWholeFile(name, "first line\r\n");
    TSioTextFile file;
    ASSERT_EQ(file.Open(name, true), ecOK);
    file.Write("second");
    ASSERT_EQ(file.Close(), ecOK);
    EXPECT_EQ(ReadWholeFile(name), "first line\r\nsecond");

    ASSERT_EQ(file.Open(name, false), ecOK);
    file.Write("x");
    ASSERT_EQ(file.Close(), ecOK);
    EXPECT_EQ(ReadWholeFile(name), "x");
}

TEST(SioTextFileTest, OpenFailuresAreMinusErrno) {
    TTempFolder folder;
    TSioTextFile file;
    EXPECT_EQ(file.Open(folder.File("missing/out.txt"), false), -ENOENT);
    EXPECT_EQ(file.Open(folder.File(""), false), -EISDIR);
    EXPECT_EQ(file.Close(), -EISDIR);
}

TEST(SioTextFileTest, WriteErrorIsReportedByClose) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    TSioTextFile file;
    ASSERT_EQ(file.Open("/dev/full", false), ecOK);
    file.Write(std::string(2000, 'x'));
    EXPECT_EQ(file.Close(), -ENOSPC);
}

TEST(SioTextFileTest, ErrorOfTheLastPartialBufferIsSeen) {
    TSioTextFile file;
    ASSERT_EQ(file.Open("/dev/full", false), ecOK);
    file.Write("short");
    EXPECT_EQ(file.Close(), -ENOSPC);
}

} // namespace
