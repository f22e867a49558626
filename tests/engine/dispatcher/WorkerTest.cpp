// The workers' ends: a failing worker still does its exit bookkeeping, a close releases a
// delivery that waits on a window, and a close during a delivery from another thread.
#include "EngineTestSupport.h"
#include "serial/engine/ports/SioProbePort.h"

#include <atomic>
#include <fstream>
#include <future>
#include <sstream>
#include <stdexcept>

namespace {

using TFailingPart = TSioWorkerKind;

// A dispatcher whose chosen worker meets an unexpected failure once armed.
class TFailingDispatcher : public TSioPosixDispatcher {
public:
    TFailingDispatcher(ISioWindowMessenger* messenger, TFailingPart part)
        : TSioPosixDispatcher(nullptr, messenger), Part_(part) {}
    ~TFailingDispatcher() override { Shutdown(); }

    std::atomic<bool> Armed{false};
    // The failing worker has reported its failure and is no longer alive.
    bool FailedWorkerEnded() const { return Thrown_ && !Core().Workers().Alive(Part_); }

protected:
    bool WaitDeviceEvent(std::uint32_t& mask) override {
        if (Part_ == TFailingPart::Event && Armed)
            Fail("event wait failed");
        const bool waited = TSioPosixDispatcher::WaitDeviceEvent(mask);
        // An event the event worker hands on has the dispatch worker run a cycle.
        if (Part_ == TFailingPart::Dispatch && Armed)
            mask |= EvBreak;
        return waited;
    }
    // Only the dispatch worker's cycle takes the device events.
    std::uint32_t TakeDeviceEvents() override {
        if (Part_ == TFailingPart::Dispatch && Armed)
            Fail("cycle failed");
        return TSioPosixDispatcher::TakeDeviceEvents();
    }
    std::int32_t WriteDevice(const std::uint8_t* data, std::uint32_t count) override {
        if (Part_ == TFailingPart::Output && Armed)
            Fail("write failed");
        return TSioPosixDispatcher::WriteDevice(data, count);
    }
    // Output goes through the worker, the part under test.
    std::int32_t WriteDirect(const std::uint8_t*, std::uint32_t) override { return 0; }

private:
    [[noreturn]] void Fail(const char* what) {
        Thrown_ = true;
        throw std::runtime_error(what);
    }

    TFailingPart Part_;
    std::atomic<bool> Thrown_{false};
};

} // namespace

class WorkerTest : public TEngineTest {};

TEST_F(WorkerTest, FailingWorkerSaysSoAndStillEndsProperly) {
    // Left: the workers still running once the failing one has ended. The output worker starts
    // for the block the device does not take; the dispatch worker for the event worker's end or
    // for the event it hands on.
    const struct {
        TFailingPart Part;
        std::string Report;
        std::int32_t Left;
    } cases[] = {{TFailingPart::Event, "COM1: event worker ended: event wait failed\n", 2},
                 {TFailingPart::Dispatch, "COM1: dispatch worker ended: cycle failed\n", 2},
                 {TFailingPart::Output, "COM1: output worker ended: write failed\n", 1}};
    for (const auto& [part, report, left] : cases) {
        SCOPED_TRACE(report);
        {
            TFailingDispatcher dispatcher(&Messenger, part);
            ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
            // With two windows the event worker reads the line.
            TRecordingWindow second(Messenger);
            dispatcher.AddNotifyWindow(second.Handle());
            dispatcher.SetPortName("COM1");
            dispatcher.StartDispatchLog(4096);
            std::size_t notified = Window.Counts().size();
            testing::internal::CaptureStderr();
            dispatcher.Armed = true;
            ASSERT_TRUE(Port.Write("a"));
            if (part == TFailingPart::Event) {
                // The open's own look on the dispatch worker may read "a" before the event
                // worker does; then a second byte reaches the event worker's failing wait.
                ASSERT_TRUE(PumpUntil([&] { return Window.Counts().size() > notified; }));
                ASSERT_TRUE(Port.Write("c"));
            }
            ASSERT_EQ(dispatcher.QueueBlock("b", 1), 0);
            ASSERT_TRUE(PumpUntil([&] { return dispatcher.FailedWorkerEnded(); }));
            ASSERT_TRUE(PumpUntil([&] { return dispatcher.RunningWorkers() == left; }));
            EXPECT_EQ(testing::internal::GetCapturedStderr(), report);
            const std::string logName = Dir.Path() + "/SIO.LOG";
            ASSERT_EQ(dispatcher.WriteDispatchLogFile(logName, false, false, false), 0);
            std::stringstream log;
            log << std::ifstream(logName).rdbuf();
            // The failure is told on stderr; the log keeps only the dispatcher's own entries.
            EXPECT_EQ(log.str().find("Thread"), std::string::npos) << log.str();
            // Without the event worker the 50 ms cycle still brings input in.
            if (part == TFailingPart::Event) {
                notified = Window.Counts().size();
                ASSERT_TRUE(Port.Write("d"));
                EXPECT_TRUE(PumpUntil([&] { return Window.Counts().size() > notified; }));
            }
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
    // The queued delivery is dropped, by the close or by the worker it wakes, whichever comes
    // first; either way nothing waits for the busy window.
    dispatcher->ClosePort();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher->WorkersGone(); }));
    EXPECT_FALSE(dispatcher->Dispatching());
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
    // The same dispatcher again and again: each close lets the device go, also when its workers
    // have ended before the close stops them.
    {
        TSioPosixDispatcher reused(nullptr, &Messenger);
        for (int cycle = 0; cycle < 1000; ++cycle) {
            ASSERT_EQ(OpenLikeComponent(reused, Port.LinkPath(), Window.Handle()), 0) << cycle;
            reused.ClosePort();
            ASSERT_TRUE(reused.WorkersGone()) << cycle;
        }
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_EQ(ThreadCount(), threads);
    // Each cycle allocates rings of 12 KiB; a leak of any of them would show as megabytes.
    EXPECT_LT(HeapInUse(), memory + 256 * 1024);
}

namespace {

// Passes everything on and remembers what each send came back with.
class TSendLog : public ISioWindowMessenger {
public:
    explicit TSendLog(ISioWindowMessenger& inner) : Inner_(inner) {}
    bool SendWithTimeout(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam, std::chrono::milliseconds timeout) override {
        bool handled = Inner_.SendWithTimeout(window, message, wParam, lParam, timeout);
        Note(handled);
        return handled;
    }
    bool SendDetached(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam,
                      std::shared_ptr<ISioSendCompletion> completion) override {
        return Inner_.SendDetached(window, message, wParam, lParam,
                                   std::make_shared<TLoggedCompletion>(*this, completion));
    }
    bool Post(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
              std::intptr_t lParam) override {
        return Inner_.Post(window, message, wParam, lParam);
    }
    bool ProcessOnePending(std::chrono::milliseconds maxWait) override {
        return Inner_.ProcessOnePending(maxWait);
    }
    void WakeWaiters() override { Inner_.WakeWaiters(); }
    void ReleaseSends(TSioWindowHandle window) override { Inner_.ReleaseSends(window); }
    std::unique_ptr<ISioInputWatch> WatchInput(TSioWindowHandle window, int fd,
                                               std::function<void()> ready) override {
        return Inner_.WatchInput(window, fd, std::move(ready));
    }
    std::vector<bool> Results() {
        std::lock_guard lock(Lock_);
        return Results_;
    }

private:
    // A detached send counts as handled when it finished, as not handled when it was dropped.
    class TLoggedCompletion : public ISioSendCompletion {
    public:
        TLoggedCompletion(TSendLog& log, std::shared_ptr<ISioSendCompletion> inner)
            : Log_(log), Inner_(std::move(inner)) {}
        bool Starting() noexcept override { return Inner_->Starting(); }
        // Noted first: once the inner end is booked, the dispatcher may go.
        void Finished() noexcept override {
            Log_.Note(true);
            Inner_->Finished();
        }
        void Dropped() noexcept override {
            Log_.Note(false);
            Inner_->Dropped();
        }

    private:
        TSendLog& Log_;
        std::shared_ptr<ISioSendCompletion> Inner_;
    };

    void Note(bool handled) {
        std::lock_guard lock(Lock_);
        Results_.push_back(handled);
    }

    ISioWindowMessenger& Inner_;
    std::mutex Lock_;
    std::vector<bool> Results_;
};

} // namespace

// A handler that needs the state lock while the dispatcher is being torn down must not have to
// wait for its own send to time out: stopping the workers holds no lock while it waits.
TEST_F(WorkerTest, TeardownWaitsWithoutHoldingTheStateLock) {
    TSendLog log(Messenger);
    auto owned = std::make_unique<TSioPosixDispatcher>(nullptr, &log);
    // Raw, because the unique pointer reads null as soon as its reset begins.
    TSioPosixDispatcher* dispatcher = owned.get();
    std::promise<void> entered;
    std::promise<void> go;
    std::shared_future<void> goSignal = go.get_future().share();
    std::atomic<bool> finished{false};
    TSioWindowThread windowThread(Messenger,
                                  [&](std::uint32_t message, std::uintptr_t, std::intptr_t) {
                                      if (message != MsgTriggerAvail || finished)
                                          return;
                                      entered.set_value();
                                      goSignal.wait();
                                      dispatcher->SetAvailThreshold(1);
                                      finished = true;
                                  });
    ASSERT_EQ(OpenLikeComponent(*dispatcher, Port.LinkPath(), windowThread.Window()), 0);
    ASSERT_TRUE(Port.Write("z"));
    ASSERT_EQ(entered.get_future().wait_for(TestDeadline), std::future_status::ready);
    dispatcher->ClosePort();
    ASSERT_TRUE(dispatcher->ClosePending());

    std::thread release([&] {
        auto end = std::chrono::steady_clock::now() + TestDeadline;
        // Only the delivering event worker runs, and it releases the resources once the
        // handler has returned.
        while (dispatcher->RunningWorkers() > 1 && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        go.set_value();
    });
    owned.reset();
    release.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(log.Results(), std::vector<bool>{true});
}
