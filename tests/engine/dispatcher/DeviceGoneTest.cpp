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

    const TWakeups wakeups = WakeupsOverASecond(dispatcher);
    // At most the hang-up's own wake-up and the one its report leaves pending, when late.
    EXPECT_LE(wakeups.Event, 2u);
    // Only the looks for the device's return: about 4 a second.
    EXPECT_LE(wakeups.Dispatch, 8u);
    EXPECT_EQ(wakeups.Output, 0u);
    // The dispatch worker looks for the device, the output worker drops what is written; the
    // line is read on this thread.
    EXPECT_EQ(dispatcher.RunningWorkers(), 2);
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
    TakeOnNotify(dispatcher);
    ASSERT_TRUE(Port.Write("\x06"));
    ASSERT_TRUE(PumpUntil([&] { return Taken == "\x06"; }));
    ASSERT_EQ(dispatcher.QueueBlock("\x11\x05", 2), 0);
    EXPECT_EQ(PeerRead(2), "\x11\x05");
}

// A pseudo-terminal has no modem lines to watch: with nothing due, no worker wakes (but for
// the one look that the open's own threshold and window ask for).
TEST_F(DeviceGoneTest, IdlePortWakesNoWorker) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    const TWakeups wakeups = WakeupsOverASecond(dispatcher);
    EXPECT_EQ(wakeups.Event, 0u);
    EXPECT_LE(wakeups.Dispatch, 1u);
    EXPECT_EQ(wakeups.Output, 0u);
}
