#pragma once
// The bookkeeping of a port's workers, shared by the dispatcher and the device layer that runs
// them: whether a run has started or is stopping, which worker lives, how many are counted in,
// and whether the dispatch worker is to release the resources as it ends.
//
// Any thread reads it without a lock. Stop and CountIn are called under the dispatcher's state
// lock, so no stop slips in between a look and a count; the last CountOut ends the run.

#include "serial/engine/dispatcher/SioDispatcherFlags.h"

#include <array>
#include <atomic>
#include <cstdint>

class TSioWorkerBook {
public:
    bool Started() const { return Started_.load(); }
    bool Stopping() const { return Stopping_.load(); }
    bool Alive(TSioWorkerKind kind) const { return Alive_[Index(kind)].load(); }
    std::int32_t Running() const { return Running_.load(); }

    // A new run: nothing stopping, no worker counted yet.
    void Begin() {
        Stopping_ = false;
        Started_ = true;
    }
    void Stop() { Stopping_ = true; }
    // Counts the worker in before it starts; false (nothing counted) once the run is stopping or
    // has ended.
    bool CountIn(TSioWorkerKind kind) {
        if (!Started_.load() || Stopping_.load())
            return false;
        ++Running_;
        Alive_[Index(kind)] = true;
        return true;
    }
    void MarkEnded(TSioWorkerKind kind) { Alive_[Index(kind)] = false; }
    // The worker's last act; the last one out ends the run.
    void CountOut() {
        if (--Running_ == 0)
            Started_ = false;
    }
    // A run no worker served (the window's thread read the line) ends as its workers stop.
    void EndIfIdle() {
        if (Running_.load() == 0)
            Started_ = false;
    }

    void SetReleaseOnExit(bool release) { ReleaseOnExit_ = release; }
    bool ReleaseOnExit() const { return ReleaseOnExit_.load(); }

private:
    static int Index(TSioWorkerKind kind) { return static_cast<int>(kind); }

    std::atomic<bool> Started_{false};
    std::atomic<bool> Stopping_{false};
    std::array<std::atomic<bool>, 3> Alive_{};
    std::atomic<std::int32_t> Running_{0};
    std::atomic<bool> ReleaseOnExit_{false};
};
