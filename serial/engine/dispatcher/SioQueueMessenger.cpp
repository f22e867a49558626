#include "serial/engine/dispatcher/SioQueueMessenger.h"

#include <algorithm>
#include <future>
#include <vector>

namespace {
// Posted by TSioWindowThread to itself to end its loop.
constexpr std::uint32_t StopMessage = 0xFFFFFFFF;
} // namespace

TSioQueueMessenger::~TSioQueueMessenger() {
    std::vector<std::shared_ptr<ISioSendCompletion>> dropped;
    {
        std::lock_guard lock(Lock_);
        for (TItem& item : Queue_) {
            if (item.Send)
                item.Send->Finished = true;
            if (item.Completion)
                dropped.push_back(item.Completion);
        }
        Queue_.clear();
        Changed_.notify_all();
    }
    for (const auto& completion : dropped)
        completion->Dropped();
}

TSioWindowHandle TSioQueueMessenger::CreateWindow(TWindowProc proc) {
    std::lock_guard lock(Lock_);
    TSioWindowHandle window = NextWindow_++;
    Windows_[window] =
        std::make_shared<TWindow>(TWindow{std::move(proc), std::this_thread::get_id()});
    return window;
}

void TSioQueueMessenger::DestroyWindow(TSioWindowHandle window) {
    ReleaseSends(window);
    std::lock_guard lock(Lock_);
    std::erase_if(Queue_, [window](const TItem& item) { return item.Window == window; });
    Windows_.erase(window);
}

void TSioQueueMessenger::FinishSend(const std::shared_ptr<TSendState>& send, bool handled) {
    {
        std::lock_guard lock(Lock_);
        send->Finished = true;
        send->Handled = handled;
    }
    // Woken after the lock is free, so the sender does not wake only to block on it.
    Changed_.notify_all();
}

bool TSioQueueMessenger::SendWithTimeout(TSioWindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam,
                                         std::chrono::milliseconds timeout) {
    std::unique_lock lock(Lock_);
    auto found = Windows_.find(window);
    if (found == Windows_.end())
        return false;
    if (found->second->Thread == std::this_thread::get_id()) {
        std::shared_ptr<TWindow> target = found->second;
        lock.unlock();
        target->Proc(message, wParam, lParam);
        return true;
    }
    auto send = std::make_shared<TSendState>();
    Queue_.push_back({window, message, wParam, lParam, send, nullptr});
    lock.unlock();
    Changed_.notify_all();
    lock.lock();
    bool finished = Changed_.wait_for(lock, timeout, [&] { return send->Finished; });
    if (!finished) {
        // Not handled in time: a message still queued is never delivered later.
        std::erase_if(Queue_, [&](const TItem& item) { return item.Send == send; });
        send->Finished = true;
        return false;
    }
    return send->Handled;
}

bool TSioQueueMessenger::SendDetached(TSioWindowHandle window, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam,
                                      std::shared_ptr<ISioSendCompletion> completion) {
    {
        std::lock_guard lock(Lock_);
        if (!Windows_.contains(window))
            return false;
        Queue_.push_back({window, message, wParam, lParam, nullptr, std::move(completion)});
    }
    Changed_.notify_all();
    return true;
}

void TSioQueueMessenger::Deliver(TWindow& target, const TItem& item) {
    if (item.Completion && !item.Completion->Starting())
        return;
    target.Proc(item.Message, item.WParam, item.LParam);
    if (item.Completion)
        item.Completion->Finished();
}

bool TSioQueueMessenger::Post(TSioWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    {
        std::lock_guard lock(Lock_);
        if (!Windows_.contains(window))
            return false;
        Queue_.push_back({window, message, wParam, lParam, nullptr, nullptr});
    }
    Changed_.notify_all();
    return true;
}

bool TSioQueueMessenger::ProcessOnePending(std::chrono::milliseconds maxWait) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(Lock_);
    const std::uint64_t generation = WakeGeneration_;
    auto mine = Queue_.end();
    auto findMine = [&] {
        mine = std::find_if(Queue_.begin(), Queue_.end(), [&](const TItem& item) {
            auto window = Windows_.find(item.Window);
            return window != Windows_.end() && window->second->Thread == self;
        });
        return mine != Queue_.end() || WakeGeneration_ != generation;
    };
    bool found = maxWait.count() < 0 ? (Changed_.wait(lock, findMine), true)
                                     : Changed_.wait_for(lock, maxWait, findMine);
    if (!found || mine == Queue_.end())
        return false;
    TItem item = std::move(*mine);
    Queue_.erase(mine);
    std::shared_ptr<TWindow> target = Windows_[item.Window];
    lock.unlock();
    Deliver(*target, item);
    if (item.Send)
        FinishSend(item.Send, true);
    return true;
}

void TSioQueueMessenger::WakeWaiters() {
    {
        std::lock_guard lock(Lock_);
        ++WakeGeneration_;
    }
    Changed_.notify_all();
}

void TSioQueueMessenger::ReleaseSends(TSioWindowHandle window) {
    std::vector<std::shared_ptr<ISioSendCompletion>> dropped;
    {
        std::lock_guard lock(Lock_);
        std::erase_if(Queue_, [&](const TItem& item) {
            if (item.Window != window || !(item.Send || item.Completion))
                return false;
            if (item.Send) {
                item.Send->Finished = true;
                item.Send->Handled = false;
            } else {
                dropped.push_back(item.Completion);
            }
            ++ReleasedSends_;
            return true;
        });
        Changed_.notify_all();
    }
    for (const auto& completion : dropped)
        completion->Dropped();
}

std::uint64_t TSioQueueMessenger::ReleasedSends() {
    std::lock_guard lock(Lock_);
    return ReleasedSends_;
}

void TSioQueueMessenger::ProcessUntil(const std::function<bool()>& done) {
    while (!done())
        ProcessOnePending(std::chrono::milliseconds(20));
}

TSioWindowThread::TSioWindowThread(TSioQueueMessenger& messenger,
                                   TSioQueueMessenger::TWindowProc proc)
    : Messenger_(messenger) {
    std::promise<TSioWindowHandle> created;
    std::future<TSioWindowHandle> window = created.get_future();
    Thread_ = std::thread([this, &created, proc = std::move(proc)]() mutable {
        created.set_value(Messenger_.CreateWindow(
            [this, proc = std::move(proc)](std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
                if (message == StopMessage)
                    Stop_ = true;
                else
                    proc(message, wParam, lParam);
            }));
        while (!Stop_.load())
            Messenger_.ProcessOnePending(std::chrono::milliseconds(-1));
    });
    Window_ = window.get();
}

TSioWindowThread::~TSioWindowThread() {
    Messenger_.Post(Window_, StopMessage, 0, 0);
    Thread_.join();
    Messenger_.DestroyWindow(Window_);
}
