#pragma once
// The window messaging the dispatcher talks through.
//
// The engine knows no windowing toolkit. A window is an opaque handle; the messenger carries a
// message to the thread that owns the window and runs the window's procedure there. The
// component's framework implements this on Qt's event loop; TSioQueueMessenger is the plain
// implementation the engine's own tests and benchmarks use.
//
// Threads: SendWithTimeout, SendDetached, Post, ReleaseSends and WakeWaiters may be called from
// any thread.
// ProcessOnePending works on the calling thread's own messages. Implementations take only their
// own internal locks and never call back into a dispatcher except through a window procedure.
// No call here throws.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

using TSioWindowHandle = std::uintptr_t;

// The sender's side of a send it does not wait for (SendDetached). Each call comes at most once,
// from the messenger, with none of the messenger's locks held; none may throw.
class ISioSendCompletion {
public:
    virtual ~ISioSendCompletion() = default;
    // On the window's thread, just before the procedure: false when the sender has given up on
    // the message, which is then dropped unhandled.
    virtual bool Starting() noexcept = 0;
    // On the window's thread, once the procedure has returned.
    virtual void Finished() noexcept = 0;
    // The message will never be handled: released, or its window destroyed, before it started.
    virtual void Dropped() noexcept = 0;
};

// A descriptor watched on the thread that owns a window (WatchInput). Destroying it ends the
// watch: no `ready` call starts afterwards, also when it is destroyed on another thread.
class ISioInputWatch {
public:
    virtual ~ISioInputWatch() = default;
    // Whether input on the descriptor calls `ready`. From the window's own thread it holds at
    // once; from another thread it holds from the window thread's next pass.
    virtual void SetEnabled(bool on) = 0;
    // Calls `ready` once on the window's thread, after the messages already queued for it, with
    // or without input and whether enabled or not. Any thread.
    virtual void Trigger() = 0;
};

class ISioWindowMessenger {
public:
    virtual ~ISioWindowMessenger() = default;

    // Delivers the message to the window's procedure on the window's thread and waits until it
    // has been handled, `timeout` has passed, or the send was released (ReleaseSends, or the
    // window was destroyed). True only when the window handled it. Called on the window's own
    // thread, the procedure runs at once.
    virtual bool SendWithTimeout(TSioWindowHandle window, std::uint32_t message,
                                 std::uintptr_t wParam, std::intptr_t lParam,
                                 std::chrono::milliseconds timeout) = 0;

    // Delivers like SendWithTimeout but returns at once, and queues the message also when called
    // on the window's own thread: the window's thread tells `completion` when the procedure
    // starts and when it has returned, or that the message was dropped. False (and no call on
    // `completion`) when the window is gone. The sender keeps its own time-out.
    virtual bool SendDetached(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam,
                              std::shared_ptr<ISioSendCompletion> completion) = 0;

    // Queues the message for the window's thread and returns at once; false when the window is
    // gone.
    virtual bool Post(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) = 0;

    // Handles pending messages of the calling thread's windows (at least one when one is pending
    // or arrives in time), input on its enabled watches counting as one; when none is pending,
    // waits up to `maxWait` for one or for WakeWaiters(). A quit request taken on the way is
    // posted again. Returns whether a message was handled. Never spins: the wait sleeps.
    virtual bool ProcessOnePending(std::chrono::milliseconds maxWait) = 0;

    // Ends every ProcessOnePending wait in progress on any thread, so a waiter re-checks its
    // condition at once (a dispatcher calls it whenever one of its workers ends).
    virtual void WakeWaiters() = 0;

    // Every send to `window` whose procedure has not started yet returns false at once (a
    // detached one is told Dropped) and is never delivered; a send whose procedure is running is
    // not affected. Implementations do the same themselves when a window is destroyed, and refuse
    // later sends to a destroyed window.
    virtual void ReleaseSends(TSioWindowHandle window) = 0;

    // On the thread that owns `window`: calls `ready` on this thread, between its messages,
    // whenever `fd` has input (or a hang-up) while the watch is enabled; it starts disabled.
    // Null when the window is gone or belongs to another thread.
    virtual std::unique_ptr<ISioInputWatch> WatchInput(TSioWindowHandle window, int fd,
                                                       std::function<void()> ready) = 0;
};
