#include "serial/engine/posix/SioAnnouncer.h"

namespace {
// A handler slower than this (for the whole announcement) is worth a hand-over: the event worker
// then reads on while it runs. A faster one costs less than the hand-over would.
constexpr std::chrono::microseconds SlowAnnouncement{200};
} // namespace

bool TSioAnnouncer::TryRun(const std::function<void()>& announce, bool timed) {
    std::unique_lock turn(Turn_, std::try_to_lock);
    if (!turn.owns_lock())
        return false;
    if (timed)
        RunTimed(announce);
    else
        announce();
    return true;
}

void TSioAnnouncer::Run(const std::function<void()>& announce) {
    std::lock_guard turn(Turn_);
    RunTimed(announce);
}

bool TSioAnnouncer::ReceiversSlow() const {
    return Last_.load() > SlowAnnouncement;
}

void TSioAnnouncer::RunTimed(const std::function<void()>& announce) {
    const auto start = std::chrono::steady_clock::now();
    announce();
    Last_ = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                  start);
}
