#include "serial/engine/trace/SioTraceStore.h"

#include "TraceTestSupport.h"
#include "runtime/RunTimeErrors.h"
#include "serial/engine/errors/SioCheckResult.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

class SioTraceStoreTest : public testing::Test {
protected:
    void RecordText(char kind, std::string_view text) {
        for (const char c : text) {
            Store.Record(kind, static_cast<std::uint8_t>(c));
        }
    }
    TSioResult Write(bool append = false, bool hex = true, bool allHex = false) {
        return Store.WriteFile(Name, append, hex, allHex);
    }

    TTempFolder Folder;
    std::string Name = Folder.File("SIO.TRC");
    TSioTraceStore Store;
};

TEST_F(SioTraceStoreTest, NothingRecordedWritesNoFile) {
    EXPECT_EQ(Write(), ecOK); // never started
    ASSERT_EQ(Store.Start(10), ecOK);
    EXPECT_EQ(Write(), ecOK);
    EXPECT_FALSE(std::filesystem::exists(Name));
    EXPECT_FALSE(Store.HasStore());
    EXPECT_FALSE(Store.Recording());
}

TEST_F(SioTraceStoreTest, ReceivedBytesInEachRendering) {
    const struct {
        bool Hex;
        bool AllHex;
        const char* Expected;
    } cases[] = {{true, false, "Receive: \r\n[06]A"},
                 {false, false, "Receive: \r\n[6]A"},
                 {true, true, "Receive: \r\n[06][41]"}};
    for (const auto& c : cases) {
        ASSERT_EQ(Store.Start(10), ecOK);
        Store.Record(TraceKindReceive, 0x06);
        Store.Record(TraceKindReceive, 0x41);
        ASSERT_EQ(Write(false, c.Hex, c.AllHex), ecOK);
        EXPECT_EQ(ReadWholeFile(Name), c.Expected);
    }
}

TEST_F(SioTraceStoreTest, WrappedStoreWritesExactlyNEntriesOldestFirst) {
    ASSERT_EQ(Store.Start(5), ecOK);
    RecordText(TraceKindTransmit, "abcdefgh");
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(ReadWholeFile(Name), "Transmit: \r\ndefgh");
}

TEST_F(SioTraceStoreTest, StoreFilledExactlyOnceWritesAllEntries) {
    ASSERT_EQ(Store.Start(3), ecOK);
    RecordText(TraceKindTransmit, "abc");
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(ReadWholeFile(Name), "Transmit: \r\nabc");
}

TEST_F(SioTraceStoreTest, WrapSplittingARunKeepsHeadings) {
    ASSERT_EQ(Store.Start(4), ecOK);
    RecordText(TraceKindTransmit, "xxab");
    RecordText(TraceKindReceive, "cd");
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(ReadWholeFile(Name), "Transmit: \r\nab\r\n\r\nReceive: \r\ncd");
}

TEST_F(SioTraceStoreTest, PauseAndResumeKeepEntries) {
    ASSERT_EQ(Store.Start(10), ecOK);
    RecordText(TraceKindTransmit, "a");
    Store.Pause();
    EXPECT_FALSE(Store.Recording());
    RecordText(TraceKindTransmit, "b");
    Store.Resume();
    EXPECT_TRUE(Store.Recording());
    RecordText(TraceKindTransmit, "c");
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(ReadWholeFile(Name), "Transmit: \r\nac");
}

TEST_F(SioTraceStoreTest, ClearForgetsEntriesAndKeepsRecording) {
    ASSERT_EQ(Store.Start(3), ecOK);
    RecordText(TraceKindTransmit, "abcd"); // wrapped
    Store.Clear();
    EXPECT_TRUE(Store.Recording());
    EXPECT_EQ(Write(), ecOK);
    EXPECT_FALSE(std::filesystem::exists(Name));
}

TEST_F(SioTraceStoreTest, StartOnExistingStoreEmptiesItAndKeepsCapacity) {
    ASSERT_EQ(Store.Start(3), ecOK);
    RecordText(TraceKindTransmit, "ab");
    Store.Pause();
    ASSERT_EQ(Store.Start(10), ecOK);
    EXPECT_EQ(Store.Capacity(), 3u);
    EXPECT_TRUE(Store.Recording());
    RecordText(TraceKindReceive, "wxyz");
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(ReadWholeFile(Name), "Receive: \r\nxyz");
}

TEST_F(SioTraceStoreTest, DiscardFreesTheStore) {
    ASSERT_EQ(Store.Start(3), ecOK);
    RecordText(TraceKindTransmit, "ab");
    Store.Discard();
    EXPECT_FALSE(Store.HasStore());
    EXPECT_FALSE(Store.Recording());
    Store.Resume();
    EXPECT_FALSE(Store.Recording());
    EXPECT_EQ(Write(), ecOK);
    EXPECT_FALSE(std::filesystem::exists(Name));
}

TEST_F(SioTraceStoreTest, CapacityLimit) {
    EXPECT_EQ(Store.Start(TSioTraceStore::MaxCapacity + 1), ecBadArgument);
    EXPECT_FALSE(Store.HasStore());
    EXPECT_FALSE(Store.Recording());
    EXPECT_EQ(Store.Start(TSioTraceStore::MaxCapacity), ecOK);
    EXPECT_EQ(Store.Capacity(), TSioTraceStore::MaxCapacity);
}

TEST_F(SioTraceStoreTest, CapacityZeroRecordsNominallyAndKeepsNothing) {
    ASSERT_EQ(Store.Start(0), ecOK);
    EXPECT_TRUE(Store.Recording());
    RecordText(TraceKindTransmit, "abc");
    EXPECT_EQ(Write(), ecOK);
    EXPECT_FALSE(std::filesystem::exists(Name));
}

TEST_F(SioTraceStoreTest, WritingEndsTracing) {
    ASSERT_EQ(Store.Start(10), ecOK);
    RecordText(TraceKindTransmit, "a");
    ASSERT_EQ(Write(), ecOK);
    EXPECT_FALSE(Store.HasStore());
    EXPECT_FALSE(Store.Recording());
    RecordText(TraceKindTransmit, "b");
    EXPECT_EQ(Write(), ecOK);
    EXPECT_EQ(ReadWholeFile(Name), "Transmit: \r\na");
}

TEST_F(SioTraceStoreTest, ReplacesOrAppends) {
    WriteWholeFile(Name, "old text that is longer");
    ASSERT_EQ(Store.Start(10), ecOK);
    Store.Record(TraceKindTransmit, 0x11);
    ASSERT_EQ(Write(false), ecOK);
    EXPECT_EQ(ReadWholeFile(Name), "Transmit: \r\n[11]");

    // An appended trace continues the last line, which has no line end.
    ASSERT_EQ(Store.Start(10), ecOK);
    Store.Record(TraceKindReceive, 0x06);
    ASSERT_EQ(Write(true), ecOK);
    EXPECT_EQ(ReadWholeFile(Name), "Transmit: \r\n[11]Receive: \r\n[06]");
}

TEST_F(SioTraceStoreTest, AppendCreatesAMissingFile) {
    ASSERT_EQ(Store.Start(10), ecOK);
    Store.Record(TraceKindReceive, 'A');
    ASSERT_EQ(Write(true), ecOK);
    EXPECT_EQ(ReadWholeFile(Name), "Receive: \r\nA");
}

TEST_F(SioTraceStoreTest, FileInMissingFolderFailsAndFreesTheStore) {
    ASSERT_EQ(Store.Start(10), ecOK);
    Store.Record(TraceKindReceive, 'A');
    const TSioResult result = Store.WriteFile(Folder.File("missing/SIO.TRC"), false, true, false);
    EXPECT_EQ(result, -ENOENT);
    EXPECT_FALSE(Store.HasStore());
    EXPECT_FALSE(Store.Recording());
    try {
        CheckResult(nullptr, result);
        FAIL() << "CheckResult did not raise";
    } catch (const EInOutError& error) {
        EXPECT_STREQ(error.what(), "No such file or directory");
        EXPECT_EQ(error.ErrorCode, ENOENT);
    }
}

TEST_F(SioTraceStoreTest, LongTraceGoesThroughTheBufferWhole) {
    ASSERT_EQ(Store.Start(5000), ecOK);
    for (int i = 0; i < 5000; ++i) {
        Store.Record(TraceKindTransmit, 'A' + i % 26);
    }
    ASSERT_EQ(Write(), ecOK);
    std::string expected = "Transmit: \r\n";
    for (int i = 0; i < 5000; ++i) {
        if (i > 0 && i % 78 == 0) {
            expected += "\r\n";
        }
        expected += static_cast<char>('A' + i % 26);
    }
    EXPECT_EQ(ReadWholeFile(Name), expected);
}

} // namespace
