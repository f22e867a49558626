#include "framework/MessageWindow.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

enum class TSendState { Pending, Running, Done, Released };

struct TPendingSend {
    TPendingSend(TSioWindowHandle window, std::shared_ptr<ISioSendCompletion> completion)
        : Window(window), Completion(std::move(completion)) {}
    TSioWindowHandle Window;
    // Set for a detached send: told instead of a waiting sender.
    std::shared_ptr<ISioSendCompletion> Completion;
    TSendState State = TSendState::Pending;
};

using TDroppedSends = std::vector<std::shared_ptr<ISioSendCompletion>>;

// Called once the shared lock is free: a completion may call back into its sender.
void TellDropped(const TDroppedSends& dropped) {
    for (const std::shared_ptr<ISioSendCompletion>& completion : dropped)
        completion->Dropped();
}

// Everything a sender, a poster and a window share. Lock is never held while a procedure runs.
struct TMessengerState {
    std::mutex Lock;
    std::condition_variable Changed;
    std::unordered_map<TSioWindowHandle, TMessageWindow*> Windows;
    std::vector<std::shared_ptr<TPendingSend>> Pending;
    TSioWindowHandle NextHandle = 1;
    std::uint64_t WakeGeneration = 0;
    std::unordered_set<QAbstractEventDispatcher*> Sleepers;

    // Lock held. Returns the detached sends released, to be told once the lock is free.
    TDroppedSends ReleasePending(TSioWindowHandle window) {
        bool any = false;
        TDroppedSends dropped;
        std::erase_if(Pending, [&](const std::shared_ptr<TPendingSend>& send) {
            if (send->Window != window)
                return false;
            send->State = TSendState::Released;
            if (send->Completion)
                dropped.push_back(send->Completion);
            any = true;
            return true;
        });
        if (any)
            Changed.notify_all();
        return dropped;
    }
    // Lock held.
    void Forget(const std::shared_ptr<TPendingSend>& send) { std::erase(Pending, send); }
};

TMessengerState& Shared() {
    static TMessengerState state;
    return state;
}

const QEvent::Type SentMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type PostedMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class TWindowMessageEvent final : public QEvent {
public:
    TWindowMessageEvent(Type type, std::uint32_t message, std::uintptr_t wParam,
                        std::intptr_t lParam, std::shared_ptr<TPendingSend> send = {})
        : QEvent(type), Message(message), WParam(wParam), LParam(lParam), Send(std::move(send)) {}

    std::uint32_t Message;
    std::uintptr_t WParam;
    std::intptr_t LParam;
    std::shared_ptr<TPendingSend> Send;
};

// Messages of this messenger handled on the current thread, so ProcessOnePending can tell
// whether its pass handled one.
thread_local std::uint64_t HandledOnThisThread = 0;
// The last WakeGeneration this thread's ProcessOnePending has seen. A wake that comes while the
// thread is between two waits (re-checking its condition) finds no sleeper; the next wait sees
// the newer generation and does not sleep, so the wake is never lost.
thread_local std::uint64_t WakeSeenOnThisThread = 0;

// A watch's notifier belongs to its window and is only touched on the window's thread; from
// another thread a change is queued to the window while the shared lock shows it registered.
class TQtInputWatch final : public ISioInputWatch {
public:
    using TReady = std::shared_ptr<const std::function<void()>>;

    TQtInputWatch(TMessageWindow* window, TSioWindowHandle handle, int fd,
                  std::function<void()> ready)
        : Handle_(handle), Thread_(window->thread()),
          State_(std::make_shared<TState>(
              std::make_shared<const std::function<void()>>(std::move(ready)))) {
        auto* notifier =
            new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, window);
        notifier->setEnabled(false);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                         [state = State_] { Activated(*state); });
        Notifier_ = notifier;
    }

    ~TQtInputWatch() override {
        {
            std::lock_guard lock(State_->Lock);
            State_->Ready.reset();
            State_->Wanted = false;
        }
        // Deleted later, as the watch may end inside its own notifier's handler.
        OnWindowThread([](QSocketNotifier* notifier, const TState&) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        });
    }

    void SetEnabled(bool on) override {
        {
            std::lock_guard lock(State_->Lock);
            State_->Wanted = on;
        }
        // The queued change reads the wish when it runs, so changes in flight settle on the last.
        OnWindowThread([](QSocketNotifier* notifier, const TState& state) {
            std::lock_guard lock(state.Lock);
            notifier->setEnabled(state.Wanted && state.Ready);
        });
    }

    void Trigger() override {
        TMessengerState& shared = Shared();
        std::lock_guard lock(shared.Lock);
        auto found = shared.Windows.find(Handle_);
        if (found != shared.Windows.end())
            QMetaObject::invokeMethod(
                found->second, [state = State_] { Activated(*state); }, Qt::QueuedConnection);
    }

private:
    struct TState {
        explicit TState(TReady ready) : Ready(std::move(ready)) {}
        mutable std::mutex Lock;
        TReady Ready;
        bool Wanted = false;
    };

    static void Activated(const TState& state) {
        TReady ready;
        {
            std::lock_guard lock(state.Lock);
            ready = state.Ready;
        }
        if (!ready)
            return;
        ++HandledOnThisThread;
        try {
            (*ready)();
        } catch (...) {
            // The engine's handlers report their own failures; nothing may unwind into Qt.
        }
    }

    template <typename TChange> void OnWindowThread(TChange change) {
        if (QThread::currentThread() == Thread_) {
            if (Notifier_)
                change(Notifier_.data(), *State_);
            return;
        }
        TMessengerState& shared = Shared();
        std::lock_guard lock(shared.Lock);
        auto found = shared.Windows.find(Handle_);
        if (found == shared.Windows.end())
            return;
        QMetaObject::invokeMethod(
            found->second,
            [notifier = Notifier_, state = State_, change] {
                if (notifier)
                    change(notifier.data(), *state);
            },
            Qt::QueuedConnection);
    }

    TSioWindowHandle Handle_;
    QThread* Thread_;
    std::shared_ptr<TState> State_;
    QPointer<QSocketNotifier> Notifier_;
};

} // namespace

TMessageWindow::TMessageWindow(TWindowProc procedure) : FProcedure(std::move(procedure)) {
    TMessengerState& shared = Shared();
    std::lock_guard lock(shared.Lock);
    FHandle = shared.NextHandle++;
    shared.Windows.emplace(FHandle, this);
}

TMessageWindowPtr TMessageWindow::Create(TWindowProc procedure) {
    return TMessageWindowPtr(new TMessageWindow(std::move(procedure)));
}

TMessageWindow::~TMessageWindow() {
    Unregister();
}

void TMessageWindow::Unregister() noexcept {
    TMessengerState& shared = Shared();
    TDroppedSends dropped;
    {
        std::lock_guard lock(shared.Lock);
        if (FClosed)
            return;
        FClosed = true;
        shared.Windows.erase(FHandle);
        dropped = shared.ReleasePending(FHandle);
    }
    TellDropped(dropped);
}

bool TMessageWindow::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return TQtWindowMessenger::Instance().Post(FHandle, message, wParam, lParam);
}

void TMessageWindow::PostLater(std::chrono::milliseconds delay, std::uint32_t message,
                               std::uintptr_t wParam, std::intptr_t lParam) {
    // The window is the timer's context: a closed and deleted window cancels it.
    QTimer::singleShot(delay, this, [this, message, wParam, lParam] {
        if (!FClosed)
            Post(message, wParam, lParam);
    });
}

void TMessageWindowCloser::operator()(TMessageWindow* window) const noexcept {
    window->Unregister();
    if (window->FRunning > 0)
        window->deleteLater();
    else
        delete window;
}

std::intptr_t TMessageWindow::RunProcedure(std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam) noexcept {
    ++HandledOnThisThread;
    ++FRunning;
    std::intptr_t result = 0;
    try {
        if (FProcedure)
            result = FProcedure(FHandle, message, wParam, lParam);
    } catch (...) {
        // Procedures report their own handlers' failures; nothing may unwind into Qt.
    }
    --FRunning;
    return result;
}

bool TMessageWindow::event(QEvent* event) {
    // Messages are built and posted under the shared lock; taking it before touching an event
    // also shows that hand-over to ThreadSanitizer, which cannot see inside Qt's event queue.
    TMessengerState& shared = Shared();
    std::unique_lock lock(shared.Lock);
    const QEvent::Type type = event->type();
    if (type != PostedMessageEvent && type != SentMessageEvent) {
        lock.unlock();
        return QObject::event(event);
    }
    auto* message = static_cast<TWindowMessageEvent*>(event);
    if (FClosed)
        return true;
    if (type == PostedMessageEvent) {
        lock.unlock();
        RunProcedure(message->Message, message->WParam, message->LParam);
        return true;
    }
    if (message->Send->State != TSendState::Pending)
        return true;
    message->Send->State = TSendState::Running;
    shared.Forget(message->Send);
    std::shared_ptr<TPendingSend> send = message->Send;
    lock.unlock();
    if (send->Completion) {
        if (send->Completion->Starting()) {
            RunProcedure(message->Message, message->WParam, message->LParam);
            send->Completion->Finished();
        }
        return true;
    }
    RunProcedure(message->Message, message->WParam, message->LParam);
    lock.lock();
    send->State = TSendState::Done;
    lock.unlock();
    // Woken after the lock is free, so the sender does not wake only to block on it.
    shared.Changed.notify_all();
    return true;
}

TQtWindowMessenger& TQtWindowMessenger::Instance() {
    static TQtWindowMessenger messenger;
    return messenger;
}

bool TQtWindowMessenger::SendWithTimeout(TSioWindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam,
                                         std::chrono::milliseconds timeout) {
    TMessengerState& shared = Shared();
    std::unique_lock lock(shared.Lock);
    auto found = shared.Windows.find(window);
    if (found == shared.Windows.end())
        return false;
    TMessageWindow* target = found->second;
    if (target->thread() == QThread::currentThread()) {
        lock.unlock();
        target->RunProcedure(message, wParam, lParam);
        return true;
    }
    auto send = std::make_shared<TPendingSend>(window, nullptr);
    shared.Pending.push_back(send);
    // Posted under the lock: only the lock keeps the window from being unregistered and
    // deleted meanwhile. The sender releases it at once by waiting.
    QCoreApplication::postEvent(
        target, new TWindowMessageEvent(SentMessageEvent, message, wParam, lParam, send));
    shared.Changed.wait_for(lock, timeout, [&] {
        return send->State == TSendState::Done || send->State == TSendState::Released;
    });
    if (send->State == TSendState::Pending) {
        send->State = TSendState::Released;
        shared.Forget(send);
    }
    return send->State == TSendState::Done;
}

bool TQtWindowMessenger::SendDetached(TSioWindowHandle window, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam,
                                      std::shared_ptr<ISioSendCompletion> completion) {
    TMessengerState& shared = Shared();
    std::lock_guard lock(shared.Lock);
    auto found = shared.Windows.find(window);
    if (found == shared.Windows.end())
        return false;
    auto send = std::make_shared<TPendingSend>(window, std::move(completion));
    shared.Pending.push_back(send);
    // Posted under the lock, as SendWithTimeout does, for the same reason.
    QCoreApplication::postEvent(
        found->second, new TWindowMessageEvent(SentMessageEvent, message, wParam, lParam, send));
    return true;
}

bool TQtWindowMessenger::Post(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    TMessengerState& shared = Shared();
    std::lock_guard lock(shared.Lock);
    auto found = shared.Windows.find(window);
    if (found == shared.Windows.end())
        return false;
    QCoreApplication::postEvent(
        found->second, new TWindowMessageEvent(PostedMessageEvent, message, wParam, lParam));
    return true;
}

bool TQtWindowMessenger::ProcessOnePending(std::chrono::milliseconds maxWait) {
    TMessengerState& shared = Shared();
    const std::uint64_t before = HandledOnThisThread;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher) {
        // A thread without an event loop owns no windows: it can only wait to be woken.
        std::unique_lock lock(shared.Lock);
        shared.Changed.wait_for(lock, maxWait,
                                [&] { return shared.WakeGeneration != WakeSeenOnThisThread; });
        WakeSeenOnThisThread = shared.WakeGeneration;
        return false;
    }
    QCoreApplication::processEvents();
    if (HandledOnThisThread != before || maxWait.count() <= 0)
        return HandledOnThisThread != before;

    {
        std::lock_guard lock(shared.Lock);
        if (shared.WakeGeneration != WakeSeenOnThisThread) {
            WakeSeenOnThisThread = shared.WakeGeneration;
            return false;
        }
        shared.Sleepers.insert(dispatcher);
    }
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(maxWait);
    dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
    {
        std::lock_guard lock(shared.Lock);
        shared.Sleepers.erase(dispatcher);
        WakeSeenOnThisThread = shared.WakeGeneration;
    }
    return HandledOnThisThread != before;
}

void TQtWindowMessenger::WakeWaiters() {
    TMessengerState& shared = Shared();
    std::lock_guard lock(shared.Lock);
    ++shared.WakeGeneration;
    shared.Changed.notify_all();
    for (QAbstractEventDispatcher* sleeper : shared.Sleepers)
        sleeper->wakeUp();
}

void TQtWindowMessenger::ReleaseSends(TSioWindowHandle window) {
    TMessengerState& shared = Shared();
    TDroppedSends dropped;
    {
        std::lock_guard lock(shared.Lock);
        dropped = shared.ReleasePending(window);
    }
    TellDropped(dropped);
}

std::size_t TQtWindowMessenger::PendingSends(TSioWindowHandle window) const {
    TMessengerState& shared = Shared();
    std::lock_guard lock(shared.Lock);
    return static_cast<std::size_t>(std::count_if(
        shared.Pending.begin(), shared.Pending.end(),
        [&](const std::shared_ptr<TPendingSend>& send) { return send->Window == window; }));
}

std::unique_ptr<ISioInputWatch> TQtWindowMessenger::WatchInput(TSioWindowHandle window, int fd,
                                                               std::function<void()> ready) {
    TMessengerState& shared = Shared();
    TMessageWindow* target;
    {
        std::lock_guard lock(shared.Lock);
        auto found = shared.Windows.find(window);
        if (found == shared.Windows.end() || found->second->thread() != QThread::currentThread())
            return nullptr;
        target = found->second;
    }
    // Without the lock: adopting the notifier sends the window an event. The window is this
    // thread's, so it cannot go meanwhile.
    return std::make_unique<TQtInputWatch>(target, window, fd, std::move(ready));
}
