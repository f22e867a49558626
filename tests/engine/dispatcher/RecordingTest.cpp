// The byte trace and the dispatch log as the dispatcher feeds them.
#include "EngineTestSupport.h"

#include <fstream>
#include <sstream>

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
    dispatcher.RefreshHandlerState(1);
    dispatcher.SetAvailThreshold(1);
    dispatcher.AddNotifyWindow(Window.Handle());

    std::string taken;
    Window.SetHandler([&](std::uintptr_t count) {
        for (std::uintptr_t i = 0; i < count; ++i) {
            std::uint8_t byte = 0;
            if (dispatcher.TakeByte(byte) == 0)
                taken.push_back(static_cast<char>(byte));
        }
    });
    ASSERT_TRUE(Port.Write("AB"));
    ASSERT_TRUE(PumpUntil([&] { return taken == "AB"; }));
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

TEST_F(RecordingTest, NewDispatcherRecordsNothing) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    ASSERT_EQ(dispatcher.QueueBlock("x", 1), 0);
    std::string traceName = Dir.Path() + "/none.trc";
    EXPECT_EQ(dispatcher.WriteTraceFile(traceName, false, false, false), 0);
    EXPECT_FALSE(std::ifstream(traceName).good());
}
