#include "framework/MessageWindow.h"

#include "GuiTestSupport.h"

#include <QThread>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Long enough that only a release, never the time-out, can end a send in these tests; CTest's
// time-out catches a send that is not released.
constexpr std::chrono::milliseconds Forever{600000};

struct TReceived {
    std::uint32_t Message;
    std::uintptr_t WParam;
    std::intptr_t LParam;
    QThread* Thread;
};

class MessageWindowTest : public testing::Test {
protected:
    TMessageWindowPtr MakeWindow() {
        return TMessageWindow::Create([this](TSioWindowHandle, std::uint32_t message,
                                             std::uintptr_t wParam, std::intptr_t lParam) {
            Received.push_back({message, wParam, lParam, QThread::currentThread()});
            return std::intptr_t{0};
        });
    }
    // One ProcessOnePending wait with nothing to handle: true when something ended it before its
    // (generous) time was up, so a lost wake fails the test instead of stalling it.
    bool EndsBeforeItsTimeIsUp() {
        const auto start = std::chrono::steady_clock::now();
        Messenger.ProcessOnePending(DefaultDeadline);
        return std::chrono::steady_clock::now() - start < DefaultDeadline;
    }
    TQtWindowMessenger& Messenger = TQtWindowMessenger::Instance();
    std::vector<TReceived> Received;
};

TEST_F(MessageWindowTest, SendFromWorkerRunsOnWindowThreadAndWaitsForIt) {
    TMessageWindowPtr window = MakeWindow();
    std::atomic<int> result{-1};
    std::thread worker(
        [&] { result = Messenger.SendWithTimeout(window->Handle(), 0x7E01, 3, 0x10000, Forever); });
    ASSERT_TRUE(WaitUntil([&] { return result.load() != -1; }));
    worker.join();
    EXPECT_EQ(result.load(), 1);
    ASSERT_EQ(Received.size(), 1u);
    EXPECT_EQ(Received[0].Message, 0x7E01u);
    EXPECT_EQ(Received[0].WParam, 3u);
    EXPECT_EQ(Received[0].LParam, 0x10000);
    EXPECT_EQ(Received[0].Thread, QThread::currentThread());
}

TEST_F(MessageWindowTest, SendOnWindowThreadRunsAtOnce) {
    TMessageWindowPtr window = MakeWindow();
    EXPECT_TRUE(Messenger.SendWithTimeout(window->Handle(), 0x7E02, 1, 2, 0ms));
    ASSERT_EQ(Received.size(), 1u);
    EXPECT_EQ(Received[0].Message, 0x7E02u);
}

TEST_F(MessageWindowTest, SendThatTimedOutBeforeDeliveryIsNeverDeliveredLater) {
    TMessageWindowPtr window = MakeWindow();
    bool result = true;
    // The window's thread handles nothing while the worker waits.
    std::thread worker(
        [&] { result = Messenger.SendWithTimeout(window->Handle(), 0x7E01, 1, 0, 20ms); });
    worker.join();
    EXPECT_FALSE(result);
    ASSERT_TRUE(window->Post(0x7E03, 9, 0));
    ASSERT_TRUE(WaitUntil([&] { return !Received.empty(); }));
    ASSERT_EQ(Received.size(), 1u);
    EXPECT_EQ(Received[0].Message, 0x7E03u);
}

TEST_F(MessageWindowTest, ClosingWindowReleasesEveryWaitingWorkerAndRefusesLaterMessages) {
    TMessageWindowPtr window = MakeWindow();
    const TSioWindowHandle handle = window->Handle();
    std::atomic<int> finished{0};
    std::atomic<int> succeeded{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < 3; ++i)
        workers.emplace_back([&] {
            if (Messenger.SendWithTimeout(handle, 0x7E01, 1, 0, Forever))
                ++succeeded;
            ++finished;
        });
    // Wait without handling events, so all three sends stay pending.
    const auto pending = [&] { return Messenger.PendingSends(handle) == 3; };
    while (!pending())
        std::this_thread::sleep_for(1ms);
    window.reset();
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(finished.load(), 3);
    EXPECT_EQ(succeeded.load(), 0);
    EXPECT_FALSE(Messenger.Post(handle, 0x7E01, 0, 0));
    EXPECT_FALSE(Messenger.SendWithTimeout(handle, 0x7E01, 0, 0, 0ms));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Received.empty());
}

TEST_F(MessageWindowTest, ReleaseSendsEndsPendingSendsOnly) {
    TMessageWindowPtr window = MakeWindow();
    std::atomic<int> result{-1};
    std::thread worker(
        [&] { result = Messenger.SendWithTimeout(window->Handle(), 0x7E01, 1, 0, Forever); });
    while (Messenger.PendingSends(window->Handle()) == 0)
        std::this_thread::sleep_for(1ms);
    Messenger.ReleaseSends(window->Handle());
    worker.join();
    EXPECT_EQ(result.load(), 0);
    ASSERT_TRUE(window->Post(0x7E04, 0, 0));
    ASSERT_TRUE(WaitUntil([&] { return !Received.empty(); }));
    EXPECT_EQ(Received.front().Message, 0x7E04u);
}

TEST_F(MessageWindowTest, ProcessOnePendingHandlesPostedMessage) {
    TMessageWindowPtr window = MakeWindow();
    EXPECT_FALSE(Messenger.ProcessOnePending(0ms));
    ASSERT_TRUE(window->Post(0x7E0A, 0, 0x20000));
    EXPECT_TRUE(Messenger.ProcessOnePending(0ms));
    ASSERT_EQ(Received.size(), 1u);
    EXPECT_EQ(Received[0].LParam, 0x20000);
}

TEST_F(MessageWindowTest, ProcessOnePendingWaitEndsOnWakeWaiters) {
    std::atomic<bool> returned{false};
    std::thread waker([&] {
        while (!returned) {
            TQtWindowMessenger::Instance().WakeWaiters();
            std::this_thread::sleep_for(2ms);
        }
    });
    const bool woken = EndsBeforeItsTimeIsUp();
    returned = true;
    waker.join();
    EXPECT_TRUE(woken);
}

TEST_F(MessageWindowTest, WakeBetweenTwoWaitsIsNotLost) {
    Messenger.ProcessOnePending(0ms);
    // The wake comes while the caller re-checks its condition, before it waits again: the next
    // wait must end at once rather than sleep until its time is up.
    std::thread([] { TQtWindowMessenger::Instance().WakeWaiters(); }).join();
    EXPECT_TRUE(EndsBeforeItsTimeIsUp());
}

TEST_F(MessageWindowTest, ProcessOnePendingWaitEndsWhenWorkerSends) {
    TMessageWindowPtr window = MakeWindow();
    std::thread worker([&] { Messenger.SendWithTimeout(window->Handle(), 0x7E01, 5, 0, Forever); });
    while (!Messenger.ProcessOnePending(Forever)) {
    }
    worker.join();
    ASSERT_EQ(Received.size(), 1u);
    EXPECT_EQ(Received[0].WParam, 5u);
}

TEST_F(MessageWindowTest, WindowMayBeClosedFromItsOwnProcedure) {
    TMessageWindowPtr window;
    int calls = 0;
    window =
        TMessageWindow::Create([&](TSioWindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) {
            ++calls;
            window.reset();
            return std::intptr_t{0};
        });
    const TSioWindowHandle handle = window->Handle();
    window->Post(1, 0, 0);
    window->Post(2, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !window; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(Messenger.Post(handle, 3, 0, 0));
}

TEST_F(MessageWindowTest, PostLaterArrivesUnlessWindowClosedFirst) {
    TMessageWindowPtr window = MakeWindow();
    window->PostLater(1ms, 0x7E0A, 0, 7);
    ASSERT_TRUE(WaitUntil([&] { return !Received.empty(); }));
    EXPECT_EQ(Received[0].LParam, 7);

    Received.clear();
    window->PostLater(1ms, 0x7E0A, 0, 8);
    window.reset();
    TMessageWindowPtr marker = MakeWindow();
    marker->PostLater(20ms, 0x7E01, 0, 9);
    ASSERT_TRUE(WaitUntil([&] { return !Received.empty(); }));
    ASSERT_EQ(Received.size(), 1u);
    EXPECT_EQ(Received[0].LParam, 9);
}

// Switched on from another thread, a watch runs on the window's thread; a trigger runs it
// without input; it may end itself in its own handler, and then nothing runs any more.
TEST_F(MessageWindowTest, InputWatchRunsOnTheWindowsThreadUntilItEnds) {
    TMessageWindowPtr window = MakeWindow();
    int line[2];
    ASSERT_EQ(pipe2(line, O_NONBLOCK), 0);
    std::vector<QThread*> calls;
    bool endWatch = false;
    std::unique_ptr<ISioInputWatch> watch = Messenger.WatchInput(window->Handle(), line[0], [&] {
        calls.push_back(QThread::currentThread());
        char bytes[8];
        while (read(line[0], bytes, sizeof bytes) > 0) {
        }
        if (endWatch)
            watch.reset();
    });
    ASSERT_NE(watch, nullptr);
    std::thread([&] {
        EXPECT_EQ(Messenger.WatchInput(window->Handle(), line[0], [] {}), nullptr);
        watch->SetEnabled(true);
    }).join();
    ASSERT_EQ(write(line[1], "a", 1), 1);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 1; }));
    EXPECT_EQ(calls[0], QThread::currentThread());

    endWatch = true;
    watch->Trigger();
    ASSERT_TRUE(WaitUntil([&] { return !watch; }));
    ASSERT_EQ(write(line[1], "b", 1), 1);
    EXPECT_FALSE(WaitUntil([&] { return calls.size() > 2; }, 100ms));
    EXPECT_EQ(calls.size(), 2u);
    close(line[0]);
    close(line[1]);
}

} // namespace
