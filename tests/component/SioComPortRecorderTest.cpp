#include "ComPortFixture.h"
#include "runtime/RunTimeErrors.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace std::chrono_literals;

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

class ComPortRecorderTest : public ComPortTest {
protected:
    void SetUp() override {
        Peer = &AddPort(1);
        Port.SetComNumber(1);
        TracePath = Dir.Path() + "/SIO.TRC";
        LogPath = Dir.Path() + "/SIO.LOG";
        Port.SetTraceName(TracePath);
        Port.SetLogName(LogPath);
    }
    TVirtualComPort* Peer = nullptr;
    std::string TracePath;
    std::string LogPath;
};

struct TStoredCase {
    TTraceLogState Requested;
    TTraceLogState Stored;
};

TEST_F(ComPortRecorderTest, ClosedPortStoresOnlyOnOrOffAndWritesNothing) {
    const TStoredCase cases[] = {
        {tlOn, tlOn},     {tlDump, tlOff}, {tlOn, tlOn},     {tlAppend, tlOff}, {tlOn, tlOn},
        {tlClear, tlOff}, {tlOn, tlOn},    {tlPause, tlOff}, {tlOff, tlOff},
    };
    for (const TStoredCase& c : cases) {
        Port.SetTracing(c.Requested);
        EXPECT_EQ(Port.Tracing(), c.Stored) << int(c.Requested);
        Port.SetLogging(c.Requested);
        EXPECT_EQ(Port.Logging(), c.Stored) << int(c.Requested);
    }
    EXPECT_FALSE(std::filesystem::exists(TracePath));
    EXPECT_FALSE(std::filesystem::exists(LogPath));
}

TEST_F(ComPortRecorderTest, ClosingWithLoggingOnWritesTheLogWithItsHeader) {
    Port.SetLogging(tlOn);
    Port.SetOpen(true);
    Port.WriteString("\x11\x05");
    ASSERT_EQ(Peer->Read(2, 5s), "\x11\x05");
    Port.SetOpen(false);
    EXPECT_EQ(Port.Logging(), tlOff);

    const std::vector<std::string> lines = Lines(FileText(LogPath));
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "SIO v4.05");
    EXPECT_EQ(lines[1], "Compiler : Unknown");
    EXPECT_EQ(lines[2].rfind("Operating System : ", 0), 0u);
    EXPECT_EQ(lines[3], "Device: COM1");
    EXPECT_EQ(lines[4].rfind("Date/time: ", 0), 0u);
    EXPECT_EQ(lines[5], "Time      Type      SubType       Data      OtherData");
    EXPECT_EQ(lines[6], "--------  --------  ------------  --------  ---------");
    bool writeSeen = false;
    for (const std::string& line : lines)
        writeSeen = writeSeen ||
                    (line.find("Dispatch  WriteCom      00000002  [11][05]") != std::string::npos);
    EXPECT_TRUE(writeSeen);
}

TEST_F(ComPortRecorderTest, ClosingWithTracingOnWritesTheTrace) {
    Port.SetTracing(tlOn);
    RecordNotifications();
    Port.SetOpen(true);
    Port.WriteString("\x11\x05");
    ASSERT_EQ(Peer->Read(2, 5s), "\x11\x05");
    ASSERT_TRUE(Peer->Write("\x06"));
    ASSERT_TRUE(WaitForNotifications(1));
    Port.SetOpen(false);
    EXPECT_EQ(Port.Tracing(), tlOff);
    EXPECT_EQ(FileText(TracePath), "Transmit: \r\n[11][05]\r\n\r\nReceive: \r\n[06]");
}

TEST_F(ComPortRecorderTest, StateTableWhileOpen) {
    Port.SetOpen(true);
    Port.SetTracing(tlPause);
    EXPECT_EQ(Port.Tracing(), tlOff);
    Port.SetTracing(tlOn);
    Port.WriteString("a");
    Port.SetTracing(tlPause);
    EXPECT_EQ(Port.Tracing(), tlPause);
    Port.WriteString("b");
    Port.SetTracing(tlOn);
    EXPECT_EQ(Port.Tracing(), tlOn);
    Port.WriteString("c");
    Port.SetTracing(tlClear);
    EXPECT_EQ(Port.Tracing(), tlOn);
    Port.WriteString("d");
    Port.SetTracing(tlAppend);
    EXPECT_EQ(Port.Tracing(), tlOff);
    EXPECT_EQ(FileText(TracePath), "Transmit: \r\nd");

    // Resuming keeps what was recorded before the pause.
    Port.SetTracing(tlOn);
    Port.WriteString("e");
    Port.SetTracing(tlPause);
    Port.WriteString("f");
    Port.SetTracing(tlOn);
    Port.WriteString("g");
    Port.SetTracing(tlAppend);
    EXPECT_EQ(FileText(TracePath), "Transmit: \r\ndTransmit: \r\neg");

    Port.SetTracing(tlOn);
    Port.WriteString("h");
    Port.SetTracing(tlOff);
    Port.SetTracing(tlDump);
    EXPECT_EQ(Port.Tracing(), tlOff);
    EXPECT_EQ(FileText(TracePath), "Transmit: \r\ndTransmit: \r\neg");
}

TEST_F(ComPortRecorderTest, FileInMissingFolderRaisesAndKeepsStoredState) {
    Port.SetTraceName(Dir.Path() + "/missing/SIO.TRC");
    Port.SetTracing(tlOn);
    Port.SetOpen(true);
    Port.WriteString("x");
    try {
        Port.SetTracing(tlDump);
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Message(), "No such file or directory");
        EXPECT_EQ(error.ErrorCode, 2);
    }
    EXPECT_EQ(Port.Tracing(), tlOn);
    EXPECT_TRUE(Port.Open());
}

TEST_F(ComPortRecorderTest, CloseFinishesEvenWhenTheLogCannotBeWritten) {
    Port.SetLogName(Dir.Path() + "/missing/SIO.LOG");
    Port.SetLogging(tlOn);
    Port.SetOpen(true);
    Port.WriteString("x");
    EXPECT_THROW(Port.SetOpen(false), EInOutError);
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(Port.LinkState(), lsClosed);
    OpenWithOtherComponent(1);
}

TEST_F(ComPortRecorderTest, ComNumberChangeWritesAndRestartsARunningTrace) {
    AddPort(2);
    Port.SetTracing(tlOn);
    Port.SetOpen(true);
    Port.WriteString("1");
    Port.SetComNumber(2);
    EXPECT_EQ(FileText(TracePath), "Transmit: \r\n1");
    EXPECT_EQ(Port.Tracing(), tlOn);
    Port.WriteString("2");
    Port.SetTracing(tlPause);
    Port.SetComNumber(1);
    EXPECT_EQ(FileText(TracePath), "Transmit: \r\n2");
    EXPECT_EQ(Port.Tracing(), tlOff);
}

TEST_F(ComPortRecorderTest, TraceSizeChangeRestartsOrEndsAPausedTrace) {
    Port.SetOpen(true);
    Port.SetTracing(tlOn);
    Port.WriteString("a");
    Port.SetTraceSize(500);
    EXPECT_EQ(Port.Tracing(), tlOn);
    Port.WriteString("b");
    Port.SetTracing(tlDump);
    EXPECT_EQ(FileText(TracePath), "Transmit: \r\nb");

    Port.SetTracing(tlOn);
    Port.SetTracing(tlPause);
    Port.SetTraceSize(600);
    EXPECT_EQ(Port.Tracing(), tlOff);
}

TEST_F(ComPortRecorderTest, OperationsDoNothingWhileClosing) {
    Port.SetOpen(true);
    bool checked = false;
    Port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t) {
        CP.SetOpen(false);
        CP.StartTrace(10);
        CP.StartDispatchLog(10);
        EXPECT_EQ(CP.Tracing(), tlOff);
        EXPECT_EQ(CP.Logging(), tlOff);
        checked = true;
    });
    ASSERT_TRUE(Peer->Write("c"));
    ASSERT_TRUE(WaitUntil([&] { return checked && !Port.Open(); }));
}

} // namespace
