#pragma once
// A plain window messenger without a windowing toolkit, for the engine's tests and benchmarks.
//
// A window belongs to the thread that created it; its messages are handled when that thread calls
// ProcessOnePending (or on the spot, for a send from the window's own thread). TSioWindowThread
// is a thread that owns one window and does nothing but handle its messages, playing the part of
// the program's window thread.
//
// Any thread may call any member; one internal mutex guards the queue and the windows, and no
// lock is held while a window procedure runs. A send that times out or is released is never
// delivered afterwards; a released detached send's completion is told Dropped.
//
// A thread that owns windows waits in poll() on its watched descriptors and on an eventfd of its
// own, made with its first window, which every message for it and every wake-up writes; other
// threads wait on a condition.

#include "runtime/SioWindowMessenger.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class TSioQueueMessenger : public ISioWindowMessenger {
public:
    using TWindowProc =
        std::function<void(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;

    TSioQueueMessenger() = default;
    ~TSioQueueMessenger() override;
    TSioQueueMessenger(const TSioQueueMessenger&) = delete;
    TSioQueueMessenger& operator=(const TSioQueueMessenger&) = delete;

    // The window belongs to the calling thread.
    TSioWindowHandle CreateWindow(TWindowProc proc);
    // Releases every send waiting on it and drops its queued messages.
    void DestroyWindow(TSioWindowHandle window);

    bool SendWithTimeout(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam, std::chrono::milliseconds timeout) override;
    bool SendDetached(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam,
                      std::shared_ptr<ISioSendCompletion> completion) override;
    bool Post(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
              std::intptr_t lParam) override;
    // A negative maxWait waits without limit.
    bool ProcessOnePending(std::chrono::milliseconds maxWait) override;
    void WakeWaiters() override;
    void ReleaseSends(TSioWindowHandle window) override;
    std::unique_ptr<ISioInputWatch> WatchInput(TSioWindowHandle window, int fd,
                                               std::function<void()> ready) override;

    // Sends that ReleaseSends or DestroyWindow dropped before they were handled.
    std::uint64_t ReleasedSends();

    // Handles messages of the calling thread until `done` holds; waits between passes.
    void ProcessUntil(const std::function<bool()>& done);

private:
    class TInputWatch;
    struct TWatch {
        int Fd;
        std::thread::id Thread;
        bool Enabled = false;
        bool Triggered = false;
        std::shared_ptr<const std::function<void()>> Ready;
    };
    struct TSendState {
        bool Finished = false;
        bool Handled = false;
    };
    struct TItem {
        TSioWindowHandle Window;
        std::uint32_t Message;
        std::uintptr_t WParam;
        std::intptr_t LParam;
        std::shared_ptr<TSendState> Send;
        // A detached send's completion, told instead of a waiting sender.
        std::shared_ptr<ISioSendCompletion> Completion;
    };
    struct TWindow {
        TWindowProc Proc;
        std::thread::id Thread;
    };

    void FinishSend(const std::shared_ptr<TSendState>& send, bool handled);
    // Lock_ held: wakes `thread` when it waits in poll(); every such thread when none is named.
    void WakePoller(std::optional<std::thread::id> thread = std::nullopt);
    // Lock_ held: wakes the thread that owns `window`.
    void WakeOwnerOf(TSioWindowHandle window);
    // Waits in poll() on the calling thread's enabled watches and its eventfd, up to `wait`
    // (negative: no limit); runs the first watch found ready. Lock_ held on entry and return.
    bool PollWatches(std::unique_lock<std::mutex>& lock, int waker, std::chrono::milliseconds wait);
    void SetWatchEnabled(std::uint64_t watch, bool on);
    void TriggerWatch(std::uint64_t watch);
    void EndWatch(std::uint64_t watch);
    // Runs a message for a window of the calling thread, with its completion if detached.
    static void Deliver(TWindow& target, const TItem& item);

    std::mutex Lock_;
    std::condition_variable Changed_;
    std::deque<TItem> Queue_;
    std::map<TSioWindowHandle, std::shared_ptr<TWindow>> Windows_;
    TSioWindowHandle NextWindow_ = 1;
    std::uint64_t WakeGeneration_ = 0;
    std::uint64_t ReleasedSends_ = 0;
    std::map<std::uint64_t, TWatch> Watches_;
    std::uint64_t NextWatch_ = 1;
    // The eventfd of each thread that owns or owned windows; closed with the messenger.
    std::map<std::thread::id, int> Wakers_;
};

// A thread that owns one window of `messenger` and handles its messages until destruction.
class TSioWindowThread {
public:
    TSioWindowThread(TSioQueueMessenger& messenger, TSioQueueMessenger::TWindowProc proc);
    ~TSioWindowThread();
    TSioWindowThread(const TSioWindowThread&) = delete;
    TSioWindowThread& operator=(const TSioWindowThread&) = delete;

    TSioWindowHandle Window() const { return Window_; }

private:
    TSioQueueMessenger& Messenger_;
    std::atomic<bool> Stop_{false};
    std::atomic<TSioWindowHandle> Window_{0};
    std::thread Thread_;
};
