// Data-available notifications: counts, read-ahead, several receivers, a full ring, a close
// from inside a delivery, and a handler that outlives its send's time-out.
#include "EngineTestSupport.h"
#include "serial/engine/dispatcher/SioDispatcherRegistry.h"

#include <future>
#include <mutex>
#include <thread>

class NotifyTest : public TEngineTest {
protected:
    void SetUp() override {
        ASSERT_EQ(OpenLikeComponent(Dispatcher, Port.LinkPath(), Window.Handle()), 0);
    }
    // Handles messages for `cycles` times 50 ms: time for a notification that must not come to
    // show up.
    void RunCycles(std::uint64_t cycles) {
        PumpUntil([] { return false; }, std::chrono::milliseconds(50 * cycles));
    }
    // Takes n bytes inside the handler.
    std::string Take(std::uint32_t n) {
        std::string taken;
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint8_t byte = 0;
            EXPECT_EQ(Dispatcher.TakeByte(byte), 0);
            taken.push_back(static_cast<char>(byte));
        }
        return taken;
    }
    // Takes until nothing is left, in blocks of 100.
    std::string TakeAll() {
        std::string taken;
        std::uint8_t block[100];
        while (std::uint32_t got = Dispatcher.TakeBlock(block, sizeof block))
            taken.append(reinterpret_cast<const char*>(block), got);
        return taken;
    }
    TSioPosixDispatcher Dispatcher{nullptr, &Messenger};
};

TEST_F(NotifyTest, ThreeBytesGiveOneNotificationOfThree) {
    std::string taken;
    Window.SetHandler(
        [&](std::uintptr_t count) { taken += Take(static_cast<std::uint32_t>(count)); });
    ASSERT_TRUE(Port.Write("abc"));
    ASSERT_TRUE(PumpUntil([&] { return taken.size() == 3; }));
    EXPECT_EQ(taken, "abc");
    ASSERT_EQ(Window.Counts().size(), 1u);
    EXPECT_EQ(Window.Counts()[0], 3u);
    EXPECT_EQ(RegistryIndexOfLParam(Window.LastLParam()), Dispatcher.RegistryIndex());
    RunCycles(3);
    EXPECT_EQ(Window.Counts().size(), 1u);
    EXPECT_EQ(Dispatcher.InputCount(), 0u);
}

TEST_F(NotifyTest, UntakenByteWaitsForTheNextArrival) {
    std::vector<std::string> deliveries;
    Window.SetHandler([&](std::uintptr_t) { deliveries.push_back(Take(2)); });
    ASSERT_TRUE(Port.Write("abc"));
    ASSERT_TRUE(PumpUntil([&] { return deliveries.size() == 1; }));
    RunCycles(3);
    EXPECT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(Dispatcher.InputCount(), 1u);

    ASSERT_TRUE(Port.Write("d"));
    ASSERT_TRUE(PumpUntil([&] { return deliveries.size() == 2; }));
    EXPECT_EQ(Window.Counts(), (std::vector<std::uintptr_t>{3, 2}));
    EXPECT_EQ(deliveries[0], "ab");
    EXPECT_EQ(deliveries[1], "cd");
    EXPECT_EQ(Dispatcher.InputCount(), 0u);
}

TEST_F(NotifyTest, TakingPastTheAnnouncedBytesIsRefused) {
    TSioResult fourth = 0;
    std::uint32_t countAfter = 99;
    bool handled = false;
    Window.SetHandler([&](std::uintptr_t) {
        Take(3);
        std::uint8_t byte = 0;
        fourth = Dispatcher.TakeByte(byte);
        countAfter = Dispatcher.InputCount();
        handled = true;
    });
    ASSERT_TRUE(Port.Write("xyz"));
    ASSERT_TRUE(PumpUntil([&] { return handled; }));
    EXPECT_EQ(fourth, ecBufferIsEmpty);
    EXPECT_EQ(countAfter, 0u);
    EXPECT_EQ(Dispatcher.InputCount(), 0u);
}

TEST_F(NotifyTest, TwoReceiversReadFromTheSameStart) {
    TRecordingWindow second(Messenger);
    Dispatcher.AddNotifyWindow(second.Handle());
    std::string firstSaw;
    std::string secondSaw;
    Window.SetHandler([&](std::uintptr_t) { firstSaw = Take(1); });
    second.SetHandler([&](std::uintptr_t) { secondSaw = Take(2); });
    ASSERT_TRUE(Port.Write("pqr"));
    ASSERT_TRUE(PumpUntil([&] { return !secondSaw.empty(); }));
    EXPECT_EQ(firstSaw, "p");
    EXPECT_EQ(secondSaw, "pq");
    ASSERT_TRUE(PumpUntil([&] { return !Dispatcher.Dispatching(); }));
    EXPECT_EQ(Dispatcher.InputCount(), 1u);
    std::uint8_t byte = 0;
    EXPECT_EQ(Dispatcher.TakeByte(byte), 0);
    EXPECT_EQ(byte, 'r');
    Dispatcher.RemoveNotifyWindow(second.Handle());
}

TEST_F(NotifyTest, OnlyServedWindowsAreNotified) {
    Dispatcher.RefreshHandlerState(TSioHandlerState::OwnerHandlesNone);
    ASSERT_TRUE(Port.Write("a"));
    ASSERT_TRUE(PumpUntil([&] { return Dispatcher.InputCount() == 1; }));
    RunCycles(3);
    EXPECT_TRUE(Window.Counts().empty());

    Dispatcher.RefreshHandlerState(TSioHandlerState::OwnerHandles);
    Dispatcher.SetAvailThreshold(0);
    ASSERT_TRUE(Port.Write("b"));
    ASSERT_TRUE(PumpUntil([&] { return Dispatcher.InputCount() == 2; }));
    RunCycles(3);
    EXPECT_TRUE(Window.Counts().empty());

    Dispatcher.SetAvailThreshold(3);
    ASSERT_TRUE(Port.Write("c"));
    ASSERT_TRUE(PumpUntil([&] { return !Window.Counts().empty(); }));
    EXPECT_EQ(Window.Counts().front(), 3u);
}

TEST_F(NotifyTest, FullRingReportsAllAndStopsReadingUntilThereIsRoom) {
    std::string all = TestBytes(InputRingSize + 100, 0x20);
    ASSERT_TRUE(Port.Write(std::string_view(all).substr(0, InputRingSize)));
    ASSERT_TRUE(PumpUntil(
        [&] { return !Window.Counts().empty() && Window.Counts().back() == InputRingSize; }));
    EXPECT_EQ(Dispatcher.InputCount(), InputRingSize);

    // More input waits in the device; neither worker may spin on it.
    ASSERT_TRUE(Port.Write(std::string_view(all).substr(InputRingSize)));
    RunCycles(2);
    std::size_t notificationsBefore = Window.Counts().size();
    const TWakeups wakeups = WakeupsOverASecond(Dispatcher);
    EXPECT_LE(wakeups.Event, 2u);
    EXPECT_LE(wakeups.Dispatch, 2u);
    EXPECT_EQ(Window.Counts().size(), notificationsBefore);
    EXPECT_EQ(Dispatcher.InputCount(), InputRingSize);

    // Taking makes room, and the rest comes with the next notification, whose blocks cross the
    // ring's end. Notifications stay off while this thread takes outside a delivery: one
    // starting meanwhile would count its takes as the window's read-ahead.
    std::string taken;
    Window.SetHandler([&](std::uintptr_t) { taken += TakeAll(); });
    Dispatcher.SetAvailThreshold(0);
    for (std::uint32_t i = 0; i < InputRingSize - 150; ++i) {
        std::uint8_t byte = 0;
        ASSERT_EQ(Dispatcher.TakeByte(byte), 0);
        taken.push_back(static_cast<char>(byte));
    }
    Dispatcher.SetAvailThreshold(1);
    ASSERT_TRUE(PumpUntil([&] { return taken.size() == all.size(); }));
    EXPECT_EQ(taken, all);
}

// With one window its own thread reads the line and releases as its pass ends; with two the
// event worker reads and releases.
class NotifyCloseTest : public NotifyTest, public ::testing::WithParamInterface<bool> {};

TEST_P(NotifyCloseTest, CloseInsideADeliveryEndsItAndReleases) {
    TRecordingWindow second(Messenger);
    if (GetParam())
        Dispatcher.AddNotifyWindow(second.Handle());
    bool closed = false;
    Window.SetHandler([&](std::uintptr_t) {
        Take(1);
        Dispatcher.ClosePort();
        closed = true;
        EXPECT_TRUE(Dispatcher.ClosePending());
        EXPECT_TRUE(Dispatcher.Dispatching());
    });
    ASSERT_TRUE(Port.Write("abc"));
    ASSERT_TRUE(PumpUntil([&] { return closed; }));
    ASSERT_TRUE(PumpUntil([&] { return Dispatcher.WorkersGone(); }));
    EXPECT_TRUE(second.Counts().empty());
    EXPECT_FALSE(Dispatcher.Dispatching());
    EXPECT_EQ(Dispatcher.DeviceHandle(), -1);
    EXPECT_EQ(Dispatcher.InputCount(), 0u);
    std::uint8_t byte = 0;
    EXPECT_EQ(Dispatcher.TakeByte(byte), ecBufferIsEmpty);
    // The device was given back: the port opens again.
    TSioPosixDispatcher next(nullptr, &Messenger);
    EXPECT_EQ(OpenLikeComponent(next, Port.LinkPath(), second.Handle()), 0);
}

INSTANTIATE_TEST_SUITE_P(Windows, NotifyCloseTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Two" : "One";
                         });

// A reply reaches the handler on the window's own thread with no worker running. A handler
// that outlives the bound hands the line to the event worker; a quick one takes it back, and
// the worker wakes no more for input, until a handler outlives the bound again.
TEST_F(NotifyTest, TheWindowsThreadReadsWhileHandlersAreQuick) {
    std::string taken;
    std::chrono::microseconds delay{0};
    Window.SetHandler([&](std::uintptr_t count) {
        taken += Take(static_cast<std::uint32_t>(count));
        std::this_thread::sleep_for(delay);
    });
    ASSERT_TRUE(Port.Write("a"));
    ASSERT_TRUE(PumpUntil([&] { return taken == "a"; }));
    EXPECT_EQ(Dispatcher.RunningWorkers(), 0);

    delay = 3 * HandOverBound;
    ASSERT_TRUE(Port.Write("b"));
    ASSERT_TRUE(PumpUntil([&] { return taken == "ab"; }));
    EXPECT_EQ(Dispatcher.RunningWorkers(), 1);
    const std::uint64_t beforeC = Dispatcher.EventWorkerWakeups();
    delay = std::chrono::microseconds(0);
    ASSERT_TRUE(Port.Write("c"));
    ASSERT_TRUE(PumpUntil([&] { return taken == "abc"; }));
    EXPECT_GT(Dispatcher.EventWorkerWakeups(), beforeC);

    RunCycles(1);
    const std::uint64_t beforeD = Dispatcher.EventWorkerWakeups();
    ASSERT_TRUE(Port.Write("d"));
    ASSERT_TRUE(PumpUntil([&] { return taken == "abcd"; }));
    RunCycles(1);
    EXPECT_EQ(Dispatcher.EventWorkerWakeups(), beforeD);

    // From now on the worker takes the line the moment a handler outlives the bound: what comes
    // while this one runs is in the ring before it returns.
    std::uint32_t readMeanwhile = 0;
    Window.SetHandler([&](std::uintptr_t count) {
        taken += Take(static_cast<std::uint32_t>(count));
        if (taken.size() > 5)
            return;
        EXPECT_TRUE(Port.Write("f"));
        const auto deadline = std::chrono::steady_clock::now() + TestDeadline;
        while (Dispatcher.InputCount() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(HandOverBound);
        readMeanwhile = Dispatcher.InputCount();
    });
    ASSERT_TRUE(Port.Write("e"));
    ASSERT_TRUE(PumpUntil([&] { return taken == "abcdef"; }));
    EXPECT_EQ(readMeanwhile, 1u);
}

// The line changes hands back and forth while handlers are now slow, now quick: nothing is lost
// or reordered.
TEST_F(NotifyTest, FloodWithHandlersNowSlowNowQuickLosesNothing) {
    const std::string all = TestBytes(1 << 20, 0x11);
    std::string taken;
    int deliveries = 0;
    Window.SetHandler([&](std::uintptr_t) {
        taken += TakeAll();
        if (++deliveries % 8 == 0)
            std::this_thread::sleep_for(2 * HandOverBound);
    });
    std::thread writer([&] { EXPECT_TRUE(Port.Write(all)); });
    const bool complete =
        PumpUntil([&] { return taken.size() == all.size(); }, std::chrono::seconds(60));
    writer.join();
    ASSERT_TRUE(complete) << taken.size() << " of " << all.size();
    EXPECT_TRUE(taken == all);
}

TEST_F(NotifyTest, RemovingAWindowDuringADeliveryTakesEffectAfterIt) {
    TRecordingWindow second(Messenger);
    Dispatcher.AddNotifyWindow(second.Handle());
    Window.SetHandler([&](std::uintptr_t) { Dispatcher.RemoveNotifyWindow(second.Handle()); });
    ASSERT_TRUE(Port.Write("a"));
    ASSERT_TRUE(
        PumpUntil([&] { return Window.Counts().size() == 1 && !Dispatcher.Dispatching(); }));
    EXPECT_TRUE(second.Counts().empty());
    ASSERT_TRUE(Port.Write("b"));
    ASSERT_TRUE(PumpUntil([&] { return Window.Counts().size() == 2; }));
    EXPECT_TRUE(second.Counts().empty());
}

// The worker does not wait for the handler, yet a handler that outlives the send's time-out holds
// the next notification back only that long: it announces what is unread by then (2 bytes, not
// the 1 left after the late take), and the late take still counts once.
TEST_F(NotifyTest, HandlerPastTheTimeOutHoldsTheNextNotificationBackOnlyThatLong) {
    std::promise<void> entered;
    std::promise<void> letGo;
    std::shared_future<void> go = letGo.get_future().share();
    std::mutex lock;
    std::vector<std::uintptr_t> counts;
    std::string taken;
    TSioWindowThread slow(Messenger, [&](std::uint32_t message, std::uintptr_t count,
                                         std::intptr_t) {
        if (message != MsgTriggerAvail)
            return;
        std::unique_lock guard(lock);
        counts.push_back(count);
        if (counts.size() == 1) {
            guard.unlock();
            entered.set_value();
            go.wait();
            guard.lock();
        }
        taken += Take(1);
    });
    Dispatcher.RemoveNotifyWindow(Window.Handle());
    Dispatcher.AddNotifyWindow(slow.Window());
    ASSERT_TRUE(Port.Write("a"));
    ASSERT_EQ(entered.get_future().wait_for(TestDeadline), std::future_status::ready);
    ASSERT_TRUE(Port.Write("b"));
    std::this_thread::sleep_for(NotifySendTimeout + std::chrono::milliseconds(500));
    letGo.set_value();
    ASSERT_TRUE(PumpUntil([&] {
        std::lock_guard guard(lock);
        return taken.size() == 2 && !Dispatcher.Dispatching();
    }));
    std::lock_guard guard(lock);
    EXPECT_EQ(counts, (std::vector<std::uintptr_t>{1, 2}));
    EXPECT_EQ(taken, "ab");
    EXPECT_EQ(Dispatcher.InputCount(), 0u);
}
