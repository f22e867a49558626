#pragma once
// Hidden message windows on Qt's event loop, and the engine's window messaging built on them.
//
// A TMessageWindow is a QObject that lives on the thread that created it and runs its window
// procedure there for every message sent or posted to its handle. It is never shown.
//
// A window is closed through TMessageWindowPtr: closing unregisters its handle at once and
// deletes the object, or, when its own procedure is still running (a handler that closes the
// port from inside a notification), deletes it once that procedure has returned.
//
// TQtWindowMessenger implements the engine's ISioWindowMessenger:
// - SendWithTimeout from another thread posts a custom QEvent to the window and waits until the
//   procedure has returned, the time-out has passed, or the send was released. A send that
//   times out or is released before its procedure started is never delivered later, so a
//   handler never runs for a notification whose sender has already moved on. On the window's
//   own thread the procedure runs at once.
// - SendDetached posts the same event without waiting, also on the window's own thread; the
//   window's thread tells the sender's completion when the procedure starts and ends, and a
//   release or the window's destruction tells it the message was dropped.
// - Destroying a window releases every worker still waiting on it at once and refuses later
//   sends and posts to its handle (handles are never reused).
// - WatchInput watches a descriptor with a QSocketNotifier owned by the window, so input wakes
//   only the window's thread; its handler counts as a handled message for ProcessOnePending.
// - ProcessOnePending is one processEvents pass of the calling thread; when it handled none of
//   this messenger's messages it waits (sleeping in the event dispatcher, never spinning) up to
//   the given time for one, or for WakeWaiters(). A WakeWaiters() since the thread's previous
//   ProcessOnePending counts too (it does not sleep then), so a wake that comes while the caller
//   re-checks its condition between two waits is not lost.
//
// Threads: any thread may send, post, release or wake. Windows are created and destroyed on
// their own thread. One internal mutex guards the handle table and every pending send; it is
// never held while a procedure runs. Nothing here throws into Qt: an exception leaving a window
// procedure is dropped (procedures guard their own handlers).

#include "runtime/SioWindowMessenger.h"

#include <QObject>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class QEvent;

using TWindowProc = std::function<std::intptr_t(TSioWindowHandle window, std::uint32_t message,
                                                std::uintptr_t wParam, std::intptr_t lParam)>;

class TMessageWindow;

struct TMessageWindowCloser {
    void operator()(TMessageWindow* window) const noexcept;
};
using TMessageWindowPtr = std::unique_ptr<TMessageWindow, TMessageWindowCloser>;

class TMessageWindow final : public QObject {
public:
    static TMessageWindowPtr Create(TWindowProc procedure);

    TSioWindowHandle Handle() const { return FHandle; }
    // Posts to this window through the messenger.
    bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // Posts to this window once `delay` has passed, unless it has been closed by then.
    void PostLater(std::chrono::milliseconds delay, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam);

protected:
    bool event(QEvent* event) override;

private:
    explicit TMessageWindow(TWindowProc procedure);
    ~TMessageWindow() override;
    // Unregisters the handle and releases its waiting senders; idempotent.
    void Unregister() noexcept;
    std::intptr_t RunProcedure(std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) noexcept;

    friend class TQtWindowMessenger;
    friend struct TMessageWindowCloser;
    TWindowProc FProcedure;
    TSioWindowHandle FHandle;
    bool FClosed = false;
    int FRunning = 0;
};

class TQtWindowMessenger final : public ISioWindowMessenger {
public:
    // The process's one messenger.
    static TQtWindowMessenger& Instance();

    bool SendWithTimeout(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam, std::chrono::milliseconds timeout) override;
    bool SendDetached(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam,
                      std::shared_ptr<ISioSendCompletion> completion) override;
    bool Post(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
              std::intptr_t lParam) override;
    bool ProcessOnePending(std::chrono::milliseconds maxWait) override;
    void WakeWaiters() override;
    void ReleaseSends(TSioWindowHandle window) override;
    std::unique_ptr<ISioInputWatch> WatchInput(TSioWindowHandle window, int fd,
                                               std::function<void()> ready) override;

    // Sends to `window` waiting for their procedure to start (for tests and diagnostics).
    std::size_t PendingSends(TSioWindowHandle window) const;

private:
    TQtWindowMessenger() = default;
};
