// The port component under faults and load on pseudo-terminals: many open/close cycles, a close
// while a notification waits for the window, a handler that outlasts the send time-out and then
// closes, and a device that vanishes and comes back while the port is open.
#include "ComPortFixture.h"
#include "EngineTestSupport.h"
#include "LineHandOver.h"
#include "serial/engine/posix/SioPosixDispatcher.h"

#include <QCoreApplication>
#include <thread>

namespace {

using namespace std::chrono_literals;

class ComponentFaultTest : public ComPortTest {
protected:
    void SetUp() override {
        Peer = &AddPort(1);
        Port.SetComNumber(1);
    }

    TSioPosixDispatcher& Engine() { return dynamic_cast<TSioPosixDispatcher&>(*Port.Dispatcher()); }

    TVirtualComPort* Peer = nullptr;
};

TEST_F(ComponentFaultTest, TenThousandOpenCloseCyclesLeaveNothingBehind) {
    // One cycle first, so what is made once per process (registry, Qt's event types) is made.
    Port.SetOpen(true);
    Port.SetOpen(false);
    QCoreApplication::processEvents();
    const std::size_t descriptors = OpenDescriptorCount();
    const std::size_t threads = ThreadCount();
    const std::size_t heap = HeapInUse();
    for (int cycle = 0; cycle < 10000; ++cycle) {
        Port.SetOpen(true);
        ASSERT_TRUE(Port.Open()) << cycle;
        Port.SetOpen(false);
        ASSERT_FALSE(Port.Open()) << cycle;
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_EQ(ThreadCount(), threads);
    // Far below one byte per cycle for each of the rings, signals and threads a cycle makes.
    EXPECT_LT(HeapInUse(), heap + 64 * 1024);
    EXPECT_TRUE(Reports.empty());
    OpenWithOtherComponent(1);
}

TEST_F(ComponentFaultTest, CloseWhileANotificationWaitsForTheWindow) {
    Port.SetOpen(true);
    ASSERT_TRUE(HandLineToWorker(Port, [&] { return Peer->Write("s"); }));
    int handled = 0;
    Port.SetOnTriggerAvail([&](TSioCustomComPort&, std::uint16_t) { ++handled; });
    ASSERT_TRUE(Peer->Write("pending"));
    // The window's thread does not handle events here, so the delivery stays pending.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!Port.Dispatcher()->Dispatching() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(Port.Dispatcher()->Dispatching());
    Port.SetOpen(false);
    ASSERT_TRUE(WaitUntil([&] { return !Port.Open() && Port.Dispatcher() == nullptr; }));
    // The close pumps one message, so a notification posted just before it may still be handled
    // (the port is closing then, and reads give 0); it is never handled twice.
    const int handledDuringClose = handled;
    EXPECT_LE(handledDuringClose, 1);
    EXPECT_TRUE(Reports.empty());

    // The port opens again and serves the next bytes.
    Port.SetOpen(true);
    ASSERT_TRUE(Peer->Write("x"));
    ASSERT_TRUE(WaitUntil([&] { return handled == handledDuringClose + 1; }));
}

TEST_F(ComponentFaultTest, HandlerOutlastingTheSendTimeOutThenClosing) {
    int handled = 0;
    Port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t) {
        ++handled;
        // Longer than the engine waits for a handler, then a close from inside.
        std::this_thread::sleep_for(NotifySendTimeout + 500ms);
        CP.SetOpen(false);
    });
    Port.SetOpen(true);
    ASSERT_TRUE(Peer->Write("A"));
    ASSERT_TRUE(WaitUntil([&] { return handled == 1; }));
    ASSERT_TRUE(WaitUntil([&] { return !Port.Open() && Port.Dispatcher() == nullptr; }));
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(Reports.empty());
    OpenWithOtherComponent(1);
}

TEST_F(ComponentFaultTest, VanishedDeviceIsSilenceThenRepliesAgain) {
    std::string read;
    int closes = 0;
    Port.SetOnPortClose([&](TSioCustomComPort&) { ++closes; });
    Port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t Count) {
        for (int i = 0; i < Count; ++i)
            read += static_cast<char>(CP.ReadChar());
    });
    Port.SetOpen(true);
    Peer->Unplug();
    ASSERT_TRUE(WaitUntil([&] { return Engine().DeviceDetachments() == 1; }));
    // Writing to the absent device is neither refused nor reported.
    Port.WriteString("into the void");
    EXPECT_TRUE(Port.Open());
    Peer->Replug();
    ASSERT_TRUE(WaitUntil([&] { return Engine().DeviceReattachments() == 1; }));
    ASSERT_TRUE(Peer->Write("back"));
    ASSERT_TRUE(WaitUntil([&] { return read == "back"; }));
    Port.WriteString("hello");
    EXPECT_EQ(Peer->Read(5, 5s), "hello");
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(Reports.empty());
}

} // namespace
