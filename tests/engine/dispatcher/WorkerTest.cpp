// The workers' ends: a failing worker still does its exit bookkeeping, a close releases a
// delivery that waits on a window, and a close during a delivery from another thread.
#include "EngineTestSupport.h"
#include "serial/engine/ports/SioProbePort.h"

#include <future>
#include <stdexcept>

namespace {

enum class TFailingPart { Event, Dispatch, Output };

// A dispatcher whose chosen worker meets an unexpected failure.
class TFailingDispatcher : public TSioPosixDispatcher {
public:
    TFailingDispatcher(ISioWindowMessenger* messenger, TFailingPart part)
        : TSioPosixDispatcher(nullptr, messenger), Part_(part) {}
    ~TFailingDispatcher() override { Shutdown(); }

protected:
    bool WaitDeviceEvent(std::uint32_t& mask) override {
        if (Part_ == TFailingPart::Event)
            throw std::runtime_error("event wait failed");
        return TSioPosixDispatcher::WaitDeviceEvent(mask);
    }
    std::int32_t ReadDevice(std::uint8_t* buffer, std::uint32_t n) override {
        if (Part_ == TFailingPart::Dispatch)
            throw std::runtime_error("read failed");
        return TSioPosixDispatcher::ReadDevice(buffer, n);
    }
    std::int32_t WriteDevice(const std::uint8_t* data, std::uint32_t count) override {
        if (Part_ == TFailingPart::Output)
            throw std::runtime_error("write failed");
        return TSioPosixDispatcher::WriteDevice(data, count);
    }

private:
    TFailingPart Part_;
};

} // namespace

class WorkerTest : public TEngineTest {};

TEST_F(WorkerTest, FailingWorkerStillEndsProperly) {
    for (TFailingPart part : {TFailingPart::Event, TFailingPart::Dispatch, TFailingPart::Output}) {
        SCOPED_TRACE(static_cast<int>(part));
        {
            TFailingDispatcher dispatcher(&Messenger, part);
            ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
            ASSERT_TRUE(Port.Write("a"));
            ASSERT_EQ(dispatcher.QueueBlock("b", 1), 0);
            ASSERT_TRUE(PumpUntil([&] { return dispatcher.RunningWorkers() == 2; }));
            // A delivery of "a" may be under way: then the close finishes when it ends.
            dispatcher.ClosePort();
            EXPECT_TRUE(PumpUntil([&] { return dispatcher.WorkersGone(); }));
        }
        EXPECT_TRUE(ProbePort(1));
        Port.Drain();
    }
}

TEST_F(WorkerTest, CloseReleasesADeliveryWaitingOnABusyWindow) {
    // The window's thread is busy elsewhere and handles nothing until the test lets it go.
    std::promise<void> letGo;
    std::shared_future<void> released = letGo.get_future().share();
    std::promise<TSioWindowHandle> created;
    bool handled = false;
    std::thread busy([&] {
        TSioWindowHandle window = Messenger.CreateWindow(
            [&](std::uint32_t, std::uintptr_t, std::intptr_t) { handled = true; });
        created.set_value(window);
        released.wait();
        Messenger.ProcessOnePending(std::chrono::milliseconds(0));
        Messenger.DestroyWindow(window);
    });
    TSioWindowHandle window = created.get_future().get();

    auto dispatcher = std::make_unique<TSioPosixDispatcher>(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(*dispatcher, Port.LinkPath(), window), 0);
    ASSERT_TRUE(Port.Write("x"));
    ASSERT_TRUE(PumpUntil([&] { return dispatcher->Dispatching(); }));
    dispatcher->ClosePort();
    EXPECT_TRUE(dispatcher->ClosePending());
    ASSERT_TRUE(PumpUntil([&] { return dispatcher->WorkersGone(); }));
    EXPECT_EQ(Messenger.ReleasedSends(), 1u);
    dispatcher.reset();
    letGo.set_value();
    busy.join();
    EXPECT_FALSE(handled);
}

TEST_F(WorkerTest, DestroyingAnOpenDispatcherClosesIt) {
    {
        TSioPosixDispatcher dispatcher(nullptr, &Messenger);
        ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
        ASSERT_EQ(dispatcher.QueueBlock("bye", 3), 0);
        ASSERT_EQ(PeerRead(3), "bye");
    }
    EXPECT_TRUE(ProbePort(1));
    TSioPosixDispatcher again(nullptr, &Messenger);
    EXPECT_EQ(OpenLikeComponent(again, Port.LinkPath(), Window.Handle()), 0);
}

TEST_F(WorkerTest, ManyOpenCloseCyclesLeaveNothingBehind) {
    // Warm up once, so lazily made process-wide state does not count as a leak.
    {
        TSioPosixDispatcher dispatcher(nullptr, &Messenger);
        ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    }
    std::size_t descriptors = OpenDescriptorCount();
    std::size_t threads = ThreadCount();
    std::size_t memory = HeapInUse();
    for (int cycle = 0; cycle < 1000; ++cycle) {
        TSioPosixDispatcher dispatcher(nullptr, &Messenger);
        ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0) << cycle;
        dispatcher.ClosePort();
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_EQ(ThreadCount(), threads);
    // Each cycle allocates rings of 12 KiB; a leak of any of them would show as megabytes.
    EXPECT_LT(HeapInUse(), memory + 256 * 1024);
}
