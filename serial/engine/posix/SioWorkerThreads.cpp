#include "serial/engine/posix/SioWorkerThreads.h"

#include <algorithm>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

namespace {

// Nice values of the seven-step priority scale from idle to time-critical.
int NiceOfStep(int step) {
    static constexpr int Nice[] = {19, 10, 5, 0, -5, -10, -20};
    return Nice[std::clamp(step, 0, 6)];
}

constexpr int NormalStep = 3;

} // namespace

void TSioWorkerThreads::Rearm() {
    JoinEnded();
    std::lock_guard lock(Lock_);
    for (std::atomic<bool>& started : Started_)
        started = false;
}

bool TSioWorkerThreads::Claim(TSioWorkerKind kind, const std::function<bool()>& countIn) {
    std::lock_guard lock(Lock_);
    // A worker runs at most once per open, so one that failed is not started again.
    if (Started_[Index(kind)].load() || !countIn())
        return false;
    Started_[Index(kind)] = true;
    return true;
}

bool TSioWorkerThreads::Spawn(TSioWorkerKind kind, std::function<void()> body) {
    std::lock_guard lock(Lock_);
    try {
        Threads_[Index(kind)] = std::thread(std::move(body));
    } catch (const std::system_error&) {
        return false;
    }
    Ids_[Index(kind)] = Threads_[Index(kind)].get_id();
    return true;
}

std::array<std::thread::id, 3> TSioWorkerThreads::Ids() const {
    std::lock_guard lock(Lock_);
    return Ids_;
}

bool TSioWorkerThreads::OnWorker() const {
    const std::array<std::thread::id, 3> ids = Ids();
    return std::find(ids.begin(), ids.end(), std::this_thread::get_id()) != ids.end();
}

void TSioWorkerThreads::JoinEnded() {
    std::array<std::thread, 3> ending;
    {
        std::lock_guard lock(Lock_);
        for (int k = 0; k < 3; ++k)
            if (Threads_[k].joinable() && Threads_[k].get_id() != std::this_thread::get_id())
                ending[k] = std::move(Threads_[k]);
    }
    for (std::thread& thread : ending)
        if (thread.joinable())
            thread.join();
}

void TSioWorkerThreads::Enter(TSioWorkerKind kind) {
    Tids_[Index(kind)] = static_cast<int>(syscall(SYS_gettid));
}

void TSioWorkerThreads::ApplyPriorities(std::uint8_t boost, bool rs485) {
    PrioritiesRaised_ = boost != 0 || rs485;
    const int base = NormalStep + boost;
    const int steps[3] = {base, base, base + (rs485 ? 1 : 0)};
    for (int k = 0; k < 3; ++k) {
        const int tid = Tids_[k].load();
        if (tid != 0)
            setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceOfStep(steps[k]));
    }
}
