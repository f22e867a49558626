#include "serial/engine/trace/SioDispatchLog.h"

#include "TraceTestSupport.h"
#include "serial/engine/trace/SioLogEntry.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::uint32_t FakeNow = 0;

std::uint32_t FakeClock() {
    return FakeNow;
}

std::tm FakeLocalTime() {
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 0;
    time.tm_mday = 2;
    time.tm_hour = 23;
    time.tm_min = 59;
    time.tm_sec = 58;
    return time;
}

std::string ExpectedHeader(const std::string& device) {
    return "SIO v4.05\r\n"
           "Compiler : Unknown\r\n"
           "Operating System : " +
           SioOsDescription() +
           "\r\n"
           "Device: " +
           device +
           "\r\n"
           "Date/time: 02/01/26, 23:59:58\r\n"
           "Time      Type      SubType       Data      OtherData\r\n"
           "--------  --------  ------------  --------  ---------\r\n";
}

class SioDispatchLogTest : public testing::Test {
protected:
    SioDispatchLogTest() {
        FakeNow = 5000;
        Log.SetStartTime(5000);
    }

    // An entry without data whose value tells it apart.
    void RecordMarker(std::int32_t value) {
        Log.Record(sltTriggerDataChange, 16, value, nullptr, 0);
    }

    TSioResult Write(bool append = false) {
        return Log.WriteFile(Name, append, true, false, "COM7");
    }

    // The data values of the entry lines, in file order.
    std::vector<std::string> Values() {
        const std::string text = ReadWholeFile(Name);
        std::vector<std::string> values;
        const std::string marker = "TrDatChg  Avail         ";
        for (std::size_t at = text.find(marker); at != std::string::npos;
             at = text.find(marker, at + 1)) {
            values.push_back(text.substr(at + marker.size(), 8));
        }
        return values;
    }

    TTempFolder Folder;
    std::string Name = Folder.File("SIO.LOG");
    TSioDispatchLog Log{FakeClock, FakeLocalTime};
};

TEST_F(SioDispatchLogTest, StartsOff) {
    EXPECT_FALSE(Log.Recording());
    EXPECT_FALSE(Log.HasRing());
    RecordMarker(1);
    EXPECT_EQ(Write(), ecOK);
    EXPECT_FALSE(std::filesystem::exists(Name));
}

TEST_F(SioDispatchLogTest, NoEntryWritesNoFileAndEndsLogging) {
    Log.Start(1000);
    EXPECT_EQ(Write(), ecOK);
    EXPECT_FALSE(std::filesystem::exists(Name));
    EXPECT_FALSE(Log.HasRing());
    EXPECT_FALSE(Log.Recording());
}

TEST_F(SioDispatchLogTest, QueuedWriteThreeMillisecondsAfterStart) {
    Log.Start(1000);
    FakeNow = 5003;
    const std::uint8_t poll[] = {0x11, 0x05};
    Log.Record(sltDispatch, slsWriteCom, 2, poll, 2);
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(ReadWholeFile(Name),
              ExpectedHeader("COM7") + "0000.003  Dispatch  WriteCom      00000002  [11][05]\r\n");
    EXPECT_FALSE(Log.HasRing());
    EXPECT_FALSE(Log.Recording());
}

TEST_F(SioDispatchLogTest, DataWithoutBytesIsDropped) {
    Log.Start(1000);
    Log.Record(sltDispatch, slsReadCom, 5, nullptr, 5);
    RecordMarker(2);
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(ReadWholeFile(Name).find("ReadCom"), std::string::npos);
    EXPECT_EQ(Values(), std::vector<std::string>{"00000002"});
}

TEST_F(SioDispatchLogTest, ClocksCanBeReplaced) {
    Log.SetClocks([] { return std::uint32_t{6234}; }, FakeLocalTime);
    Log.Start(1000);
    RecordMarker(1);
    ASSERT_EQ(Write(), ecOK);
    EXPECT_NE(ReadWholeFile(Name).find("\r\n0001.234  TrDatChg"), std::string::npos);
}

TEST_F(SioDispatchLogTest, TimesCountAcrossTheClockWrap) {
    Log.SetStartTime(0xFFFFFFF0u);
    Log.Start(1000);
    FakeNow = 0x10;
    RecordMarker(1);
    ASSERT_EQ(Write(), ecOK);
    EXPECT_NE(ReadWholeFile(Name).find("\r\n0000.032  TrDatChg"), std::string::npos);
}

TEST_F(SioDispatchLogTest, FullRingKeepsTheNewestEntriesOldestFirst) {
    Log.Start(100); // six 16-byte entries fit
    for (int value = 1; value <= 8; ++value) {
        RecordMarker(value);
    }
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(Values(), (std::vector<std::string>{"00000003", "00000004", "00000005", "00000006",
                                                  "00000007", "00000008"}));
}

TEST_F(SioDispatchLogTest, OversizedEntryIsDroppedWholeAndTheLogStaysReadable) {
    Log.Start(64);
    RecordMarker(1);
    const std::vector<std::uint8_t> big(49, 0x41); // 16 + 49 does not fit 64
    Log.Record(sltDispatch, slsReadCom, 49, big.data(), 49);
    RecordMarker(3);
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(Values(), (std::vector<std::string>{"00000001", "00000003"}));
    EXPECT_EQ(ReadWholeFile(Name).find("ReadCom"), std::string::npos);
}

TEST_F(SioDispatchLogTest, LargestEntryReadsBackWhole) {
    Log.Start(64);
    RecordMarker(1);
    // 16 + 48 fills the ring exactly: kept, evicting the marker.
    const std::vector<std::uint8_t> data(48, 'z');
    Log.Record(sltDispatch, slsReadCom, 48, data.data(), 48);
    ASSERT_EQ(Write(), ecOK);
    const std::string text = ReadWholeFile(Name);
    EXPECT_TRUE(Values().empty());
    const std::string spaces(44, ' ');
    EXPECT_NE(text.find("Dispatch  ReadCom       00000030  " + std::string(33, 'z') + "\r\n" +
                        spaces + std::string(15, 'z') + "\r\n"),
              std::string::npos);
}

TEST_F(SioDispatchLogTest, PauseAndResumeKeepEntries) {
    Log.Start(1000);
    RecordMarker(1);
    Log.Pause();
    EXPECT_FALSE(Log.Recording());
    RecordMarker(2);
    Log.Resume();
    EXPECT_TRUE(Log.Recording());
    RecordMarker(3);
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(Values(), (std::vector<std::string>{"00000001", "00000003"}));
}

TEST_F(SioDispatchLogTest, ClearAndRestartForgetEntries) {
    Log.Start(1000);
    RecordMarker(1);
    Log.Clear();
    EXPECT_TRUE(Log.Recording());
    RecordMarker(2);
    Log.Pause();
    Log.Start(50); // empties the existing ring, capacity unchanged, recording on
    RecordMarker(3);
    RecordMarker(4);
    RecordMarker(5);
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(Values(), (std::vector<std::string>{"00000003", "00000004", "00000005"}));
}

TEST_F(SioDispatchLogTest, DiscardFreesTheRing) {
    Log.Start(1000);
    RecordMarker(1);
    Log.Discard();
    EXPECT_FALSE(Log.HasRing());
    Log.Resume();
    EXPECT_FALSE(Log.Recording());
    EXPECT_EQ(Write(), ecOK);
    EXPECT_FALSE(std::filesystem::exists(Name));
}

TEST_F(SioDispatchLogTest, CapacityZeroRecordsNominallyAndKeepsNothing) {
    Log.Start(0);
    EXPECT_TRUE(Log.Recording());
    EXPECT_FALSE(Log.HasRing());
    RecordMarker(1);
    EXPECT_EQ(Write(), ecOK);
    EXPECT_FALSE(std::filesystem::exists(Name));
}

TEST_F(SioDispatchLogTest, FileInMissingFolderKeepsTheRingWithRecordingOff) {
    Log.Start(1000);
    RecordMarker(1);
    EXPECT_EQ(Log.WriteFile(Folder.File("missing/SIO.LOG"), false, true, false, "COM7"), -ENOENT);
    EXPECT_TRUE(Log.HasRing());
    EXPECT_FALSE(Log.Recording());
    RecordMarker(2);
    Log.Resume();
    RecordMarker(3);
    ASSERT_EQ(Write(), ecOK);
    EXPECT_EQ(Values(), (std::vector<std::string>{"00000001", "00000003"}));
}

TEST_F(SioDispatchLogTest, ReplacesOrAppends) {
    WriteWholeFile(Name, "previous\r\n");
    Log.Start(1000);
    RecordMarker(1);
    ASSERT_EQ(Write(false), ecOK);
    const std::string first = ReadWholeFile(Name);
    EXPECT_EQ(first.rfind(ExpectedHeader("COM7"), 0), 0u);

    Log.Start(1000);
    RecordMarker(2);
    ASSERT_EQ(Write(true), ecOK);
    const std::string both = ReadWholeFile(Name);
    EXPECT_EQ(both.rfind(first + ExpectedHeader("COM7"), 0), 0u);
    EXPECT_EQ(Values(), (std::vector<std::string>{"00000001", "00000002"}));
}

TEST_F(SioDispatchLogTest, ManyEntriesThroughTheBuffer) {
    Log.Start(100'000);
    std::vector<std::uint8_t> data(100);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i);
    }
    for (int i = 0; i < 500; ++i) {
        Log.Record(sltDispatch, slsReadCom, i, data.data(),
                   static_cast<std::uint32_t>(data.size()));
    }
    ASSERT_EQ(Write(), ecOK);
    const std::string text = ReadWholeFile(Name);
    std::size_t lines = 0;
    for (std::size_t at = text.find("Dispatch  ReadCom"); at != std::string::npos;
         at = text.find("Dispatch  ReadCom", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 500u);
    EXPECT_TRUE(text.ends_with("\r\n"));
}

} // namespace
