// A device that goes away while open: no crash, no spinning worker, and a new device on the same
// link works after a reopen. Spinning is judged by counting worker wake-ups over a second.
#include "EngineTestSupport.h"

class DeviceGoneTest : public TEngineTest {};

TEST_F(DeviceGoneTest, PeerClosingLeavesThePortOpenAndQuiet) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    Port.Unplug();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceGone(); }));
    // Output to a vanished device is dropped, not retried.
    ASSERT_EQ(dispatcher.QueueBlock("lost", 4), 0);
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.OutputUsed() == 0; }));

    std::uint64_t event = dispatcher.EventWorkerWakeups();
    std::uint64_t dispatch = dispatcher.DispatchWorkerWakeups();
    std::uint64_t output = dispatcher.OutputWorkerWakeups();
    PumpUntil([] { return false; }, std::chrono::seconds(1));
    EXPECT_LE(dispatcher.EventWorkerWakeups() - event, 1u);
    // The 50 ms cycle alone: about 20 a second.
    EXPECT_LE(dispatcher.DispatchWorkerWakeups() - dispatch, 40u);
    EXPECT_EQ(dispatcher.OutputWorkerWakeups() - output, 0u);
    EXPECT_EQ(dispatcher.RunningWorkers(), 3);
    EXPECT_TRUE(Window.Counts().empty());
    dispatcher.ClosePort();
    EXPECT_TRUE(dispatcher.WorkersGone());
}

TEST_F(DeviceGoneTest, NewPeerOnTheSameLinkWorksAfterReopen) {
    {
        TSioPosixDispatcher dispatcher(nullptr, &Messenger);
        ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
        Port.Unplug();
        ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceGone(); }));
    }
    Port.Replug();
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    std::string taken;
    Window.SetHandler([&](std::uintptr_t count) {
        for (std::uintptr_t i = 0; i < count; ++i) {
            std::uint8_t byte = 0;
            if (dispatcher.TakeByte(byte) == 0)
                taken.push_back(static_cast<char>(byte));
        }
    });
    ASSERT_TRUE(Port.Write("\x06"));
    ASSERT_TRUE(PumpUntil([&] { return taken == "\x06"; }));
    ASSERT_EQ(dispatcher.QueueBlock("\x11\x05", 2), 0);
    EXPECT_EQ(PeerRead(2), "\x11\x05");
}

TEST_F(DeviceGoneTest, IdlePortWakesOnlyForTheCycle) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    std::uint64_t event = dispatcher.EventWorkerWakeups();
    std::uint64_t dispatch = dispatcher.DispatchWorkerWakeups();
    std::uint64_t output = dispatcher.OutputWorkerWakeups();
    PumpUntil([] { return false; }, std::chrono::seconds(1));
    EXPECT_EQ(dispatcher.EventWorkerWakeups() - event, 0u);
    EXPECT_LE(dispatcher.DispatchWorkerWakeups() - dispatch, 40u);
    EXPECT_EQ(dispatcher.OutputWorkerWakeups() - output, 0u);
}
