#include "serial/engine/messenger/SioQueueMessenger.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <future>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace {
// Posted by TSioWindowThread to itself to end its loop.
constexpr std::uint32_t StopMessage = 0xFFFFFFFF;
} // namespace

class TSioQueueMessenger::TInputWatch final : public ISioInputWatch {
public:
    TInputWatch(TSioQueueMessenger& messenger, std::uint64_t id) : Messenger_(messenger), Id_(id) {}
    ~TInputWatch() override { Messenger_.EndWatch(Id_); }
    void SetEnabled(bool on) override { Messenger_.SetWatchEnabled(Id_, on); }
    void Trigger() override { Messenger_.TriggerWatch(Id_); }

private:
    TSioQueueMessenger& Messenger_;
    const std::uint64_t Id_;
};

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
    for (const auto& [thread, waker] : Wakers_)
        close(waker);
}

TSioWindowHandle TSioQueueMessenger::CreateWindow(TWindowProc proc) {
    std::lock_guard lock(Lock_);
    const std::thread::id self = std::this_thread::get_id();
    // Without its eventfd the thread waits on the condition and cannot watch descriptors.
    if (!Wakers_.contains(self)) {
        if (const int waker = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); waker >= 0)
            Wakers_[self] = waker;
    }
    TSioWindowHandle window = NextWindow_++;
    Windows_[window] = std::make_shared<TWindow>(TWindow{std::move(proc), self});
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
    WakeOwnerOf(window);
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
        WakeOwnerOf(window);
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
        WakeOwnerOf(window);
    }
    Changed_.notify_all();
    return true;
}

bool TSioQueueMessenger::ProcessOnePending(std::chrono::milliseconds maxWait) {
    const std::thread::id self = std::this_thread::get_id();
    const auto deadline = std::chrono::steady_clock::now() + maxWait;
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
    if (auto waker = Wakers_.find(self); waker != Wakers_.end()) {
        const int fd = waker->second;
        while (!findMine()) {
            // Ready watches are handled even when no time is left to wait.
            const auto left = maxWait.count() < 0
                                  ? maxWait
                                  : std::max(std::chrono::ceil<std::chrono::milliseconds>(
                                                 deadline - std::chrono::steady_clock::now()),
                                             std::chrono::milliseconds(0));
            if (PollWatches(lock, fd, left))
                return true;
            if (left.count() == 0)
                return false;
        }
    } else if (!(maxWait.count() < 0 ? (Changed_.wait(lock, findMine), true)
                                     : Changed_.wait_for(lock, maxWait, findMine))) {
        return false;
    }
    if (mine == Queue_.end())
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

bool TSioQueueMessenger::PollWatches(std::unique_lock<std::mutex>& lock, int waker,
                                     std::chrono::milliseconds wait) {
    const std::thread::id self = std::this_thread::get_id();
    for (auto& [id, watch] : Watches_) {
        if (watch.Thread == self && watch.Triggered) {
            watch.Triggered = false;
            std::shared_ptr<const std::function<void()>> handler = watch.Ready;
            lock.unlock();
            (*handler)();
            lock.lock();
            return true;
        }
    }
    std::vector<pollfd> entries{{waker, POLLIN, 0}};
    std::vector<std::uint64_t> ids{0};
    for (const auto& [id, watch] : Watches_) {
        if (watch.Thread == self && watch.Enabled) {
            entries.push_back({watch.Fd, POLLIN, 0});
            ids.push_back(id);
        }
    }
    lock.unlock();
    const int ready = poll(entries.data(), entries.size(), static_cast<int>(wait.count()));
    if (ready > 0 && (entries[0].revents & POLLIN)) {
        std::uint64_t count;
        // A failed read leaves the count for the next pass, which only costs a turn.
        [[maybe_unused]] ssize_t got = read(waker, &count, sizeof count);
    }
    lock.lock();
    for (std::size_t i = 1; ready > 0 && i < entries.size(); ++i) {
        auto watch = Watches_.find(ids[i]);
        if (entries[i].revents == 0 || watch == Watches_.end() || !watch->second.Enabled)
            continue;
        // A copy: the handler may end its own watch.
        std::shared_ptr<const std::function<void()>> handler = watch->second.Ready;
        lock.unlock();
        (*handler)();
        lock.lock();
        return true;
    }
    return false;
}

std::unique_ptr<ISioInputWatch> TSioQueueMessenger::WatchInput(TSioWindowHandle window, int fd,
                                                               std::function<void()> ready) {
    const std::thread::id self = std::this_thread::get_id();
    std::lock_guard lock(Lock_);
    auto found = Windows_.find(window);
    if (found == Windows_.end() || found->second->Thread != self || !Wakers_.contains(self))
        return nullptr;
    const std::uint64_t id = NextWatch_++;
    Watches_[id] = TWatch{fd, self, false, false,
                          std::make_shared<const std::function<void()>>(std::move(ready))};
    return std::make_unique<TInputWatch>(*this, id);
}

void TSioQueueMessenger::SetWatchEnabled(std::uint64_t watch, bool on) {
    std::lock_guard lock(Lock_);
    auto found = Watches_.find(watch);
    if (found == Watches_.end() || found->second.Enabled == on)
        return;
    found->second.Enabled = on;
    if (found->second.Thread != std::this_thread::get_id())
        WakePoller(found->second.Thread);
}

void TSioQueueMessenger::TriggerWatch(std::uint64_t watch) {
    std::lock_guard lock(Lock_);
    auto found = Watches_.find(watch);
    if (found == Watches_.end())
        return;
    found->second.Triggered = true;
    WakePoller(found->second.Thread);
}

void TSioQueueMessenger::EndWatch(std::uint64_t watch) {
    std::lock_guard lock(Lock_);
    auto found = Watches_.find(watch);
    if (found == Watches_.end())
        return;
    const std::thread::id thread = found->second.Thread;
    Watches_.erase(found);
    // A poll() under way on the descriptor is told to look again without it.
    if (thread != std::this_thread::get_id())
        WakePoller(thread);
}

void TSioQueueMessenger::WakePoller(std::optional<std::thread::id> thread) {
    const std::uint64_t one = 1;
    for (const auto& [owner, waker] : Wakers_) {
        if (!thread || *thread == owner) {
            [[maybe_unused]] ssize_t written = write(waker, &one, sizeof one);
        }
    }
}

void TSioQueueMessenger::WakeOwnerOf(TSioWindowHandle window) {
    if (Wakers_.empty())
        return;
    if (auto found = Windows_.find(window); found != Windows_.end())
        WakePoller(found->second->Thread);
}

void TSioQueueMessenger::WakeWaiters() {
    {
        std::lock_guard lock(Lock_);
        ++WakeGeneration_;
        WakePoller();
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
