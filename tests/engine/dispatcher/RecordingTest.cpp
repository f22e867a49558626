// The byte trace and the dispatch log as the dispatcher feeds them.
#include "EngineTestSupport.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <utility>

namespace {
std::string ReadFile(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
} // namespace

class RecordingTest : public TEngineTest {};

TEST_F(RecordingTest, TraceAndLogRecordWhatTheDispatcherDoes) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(dispatcher.OpenPort(Port.LinkPath(), 1200, NoParity, 8, 1, 4096, 4096, 3), 0);
    dispatcher.SetPortName("COM1");
    EXPECT_EQ(dispatcher.StartTrace(4'000'001), ecBadArgument);
    ASSERT_EQ(dispatcher.StartTrace(100), 0);
    dispatcher.StartDispatchLog(4096);
    dispatcher.RefreshHandlerState(TSioHandlerState::OwnerHandles);
    dispatcher.SetAvailThreshold(1);
    dispatcher.AddNotifyWindow(Window.Handle());

    TakeOnNotify(dispatcher);
    ASSERT_TRUE(Port.Write("AB"));
    ASSERT_TRUE(PumpUntil([&] { return Taken == "AB"; }));
    ASSERT_EQ(dispatcher.QueueBlock("CD", 2), 0);
    ASSERT_EQ(PeerRead(2), "CD");
    dispatcher.RemoveNotifyWindow(Window.Handle());

    std::string traceName = Dir.Path() + "/SIO.TRC";
    std::string logName = Dir.Path() + "/SIO.LOG";
    ASSERT_EQ(dispatcher.WriteTraceFile(traceName, false, false, false), 0);
    ASSERT_EQ(dispatcher.WriteDispatchLogFile(logName, false, false, false), 0);
    std::string trace = ReadFile(traceName);
    EXPECT_NE(trace.find("Receive: \r\nAB\r\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Transmit: \r\nCD"), std::string::npos) << trace;
    EXPECT_LT(trace.find("Receive"), trace.find("Transmit"));
    std::string log = ReadFile(logName);
    EXPECT_NE(log.find("Device: COM1"), std::string::npos) << log;
    for (const char* name : {"ReadCom", "WriteCom", "Avail", "Window"})
        EXPECT_NE(log.find(name), std::string::npos) << name << "\n" << log;
}

// Workers start and end on demand as the line changes hands; the log holds only the
// dispatcher's six kinds of event all the same, through the close.
TEST_F(RecordingTest, LogOverAHandOverAndBackHoldsOnlyDispatcherEvents) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(dispatcher.OpenPort(Port.LinkPath(), 1200, NoParity, 8, 1, 4096, 4096, 3), 0);
    dispatcher.StartDispatchLog(1 << 16);
    dispatcher.RefreshHandlerState(TSioHandlerState::OwnerHandles);
    dispatcher.SetAvailThreshold(1);
    dispatcher.AddNotifyWindow(Window.Handle());
    std::chrono::microseconds delay{0};
    Window.SetHandler([&](std::uintptr_t count) {
        std::uint8_t byte = 0;
        for (std::uintptr_t i = 0; i < count && dispatcher.TakeByte(byte) == 0; ++i)
            Taken.push_back(static_cast<char>(byte));
        std::this_thread::sleep_for(delay);
    });
    // Read on the window's thread, handed to the event worker by a slow handler, back by a quick.
    for (const auto& [bytes, handlerTime] :
         {std::pair{"a", 0 * HandOverBound}, {"b", 3 * HandOverBound}, {"c", 0 * HandOverBound}}) {
        delay = handlerTime;
        ASSERT_TRUE(Port.Write(bytes));
        ASSERT_TRUE(PumpUntil([&] { return Taken.ends_with(bytes); }));
    }
    // The event worker, started by the hand-over, still runs.
    EXPECT_GE(dispatcher.RunningWorkers(), 1);
    ASSERT_EQ(dispatcher.QueueBlock("d", 1), 0);
    ASSERT_EQ(PeerRead(1), "d");
    dispatcher.RemoveNotifyWindow(Window.Handle());
    dispatcher.ClosePort();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.WorkersGone(); }));

    const std::string logName = Dir.Path() + "/SIO.LOG";
    ASSERT_EQ(dispatcher.WriteDispatchLogFile(logName, false, true, false), 0);
    std::istringstream lines(ReadFile(logName));
    std::set<std::string> kinds;
    std::string line;
    for (int header = 0; header < 7; ++header)
        std::getline(lines, line);
    // "%8s  %-8s  %-12s  ": type and subtype names in columns 10 to 31; a wrapped line's
    // continuation starts with spaces.
    while (std::getline(lines, line))
        if (line.size() > 32 && line[10] != ' ')
            kinds.insert(line.substr(10, 22));
    EXPECT_EQ(kinds, (std::set<std::string>{"Dispatch  ReadCom     ", "Dispatch  WriteCom    ",
                                            "Trigger   Avail       ", "TrgHdAlc  Window      ",
                                            "TrgHdDsp  Window      ", "TrDatChg  Avail       "}));
}

TEST_F(RecordingTest, NewDispatcherRecordsNothing) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    ASSERT_EQ(dispatcher.QueueBlock("x", 1), 0);
    std::string traceName = Dir.Path() + "/none.trc";
    EXPECT_EQ(dispatcher.WriteTraceFile(traceName, false, false, false), 0);
    EXPECT_FALSE(std::ifstream(traceName).good());
}

namespace {
std::size_t CountItems(const std::string& allHexTrace) {
    return static_cast<std::size_t>(std::count(allHexTrace.begin(), allHexTrace.end(), '['));
}

// Sum of the data values of the log's device reads, of the ring room their entries took, and how
// many found nothing.
struct TReadTotals {
    std::uint64_t Bytes = 0;
    std::uint64_t RingBytes = 0;
    std::uint64_t EmptyReads = 0;
};

TReadTotals ReadTotals(const std::string& log) {
    TReadTotals totals;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        // "%8s  %-8s  %-12s  %08X  ": the value sits in columns 34 to 41.
        if (line.size() < 42 || line.compare(10, 18, "Dispatch  ReadCom ") != 0)
            continue;
        const std::uint64_t count = std::stoull(line.substr(34, 8), nullptr, 16);
        totals.Bytes += count;
        totals.RingBytes += 16 + count;
        totals.EmptyReads += count == 0 ? 1 : 0;
    }
    return totals;
}
} // namespace

TEST_F(RecordingTest, UnderLoadKeepsEveryEntryThatFitsAndStaysWithinCapacity) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    std::size_t taken = 0;
    Window.SetHandler([&](std::uintptr_t count) {
        std::uint8_t byte = 0;
        for (std::uintptr_t i = 0; i < count; ++i)
            taken += dispatcher.TakeByte(byte) == 0 ? 1 : 0;
    });
    const std::string chunk = TestBytes(500, 1);
    auto streamIn = [&](std::size_t chunks) {
        taken = 0;
        for (std::size_t i = 0; i < chunks; ++i) {
            ASSERT_TRUE(Port.Write(chunk));
            ASSERT_TRUE(PumpUntil([&] { return taken == (i + 1) * chunk.size(); }));
            ASSERT_EQ(dispatcher.QueueBlock("\x11\x05", 2), 0);
            ASSERT_EQ(PeerRead(2), "\x11\x05");
        }
    };

    // Room for everything: every byte each way is in the trace, every device read in the log.
    ASSERT_EQ(dispatcher.StartTrace(100'000), 0);
    dispatcher.StartDispatchLog(1'000'000);
    streamIn(40);
    const std::string traceName = Dir.Path() + "/load.trc";
    const std::string logName = Dir.Path() + "/load.log";
    ASSERT_EQ(dispatcher.WriteTraceFile(traceName, false, true, true), 0);
    ASSERT_EQ(dispatcher.WriteDispatchLogFile(logName, false, true, false), 0);
    EXPECT_EQ(CountItems(ReadFile(traceName)), 40 * (chunk.size() + 2));
    const TReadTotals all = ReadTotals(ReadFile(logName));
    EXPECT_EQ(all.Bytes, 40 * chunk.size());
    EXPECT_EQ(all.EmptyReads, 0u);

    // Small stores: the trace keeps exactly its capacity, the log never more than its ring.
    ASSERT_EQ(dispatcher.StartTrace(1000), 0);
    dispatcher.StartDispatchLog(2000);
    streamIn(10);
    ASSERT_EQ(dispatcher.WriteTraceFile(traceName, false, true, true), 0);
    ASSERT_EQ(dispatcher.WriteDispatchLogFile(logName, false, true, false), 0);
    EXPECT_EQ(CountItems(ReadFile(traceName)), 1000u);
    const TReadTotals kept = ReadTotals(ReadFile(logName));
    EXPECT_GT(kept.Bytes, 0u);
    EXPECT_LE(kept.RingBytes, 2000u);
}
