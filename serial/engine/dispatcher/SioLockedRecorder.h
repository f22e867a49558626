#pragma once
// One of the dispatcher's recorders (the byte trace or the dispatch log) as the dispatcher's
// operations reach it: every call under the dispatcher's state lock, and a flag, readable on any
// thread without the lock, that tells whether it records, so the per-byte paths take no lock
// while nothing records.

#include "serial/engine/trace/SioRecorder.h"

#include <atomic>
#include <mutex>

class TSioLockedRecorder {
public:
    TSioLockedRecorder(ISioRecorder& recorder, std::recursive_mutex& stateLock)
        : Recorder_(recorder), StateLock_(stateLock) {}

    TSioResult Start(std::uint32_t capacity);
    TSioResult Clear();
    void Discard();
    void Pause();
    void Resume();
    TSioResult WriteFile(const std::string& name, bool append, bool hex, bool allHex);

    // May lag a change being made on another thread; the recorder's own flag, read under the
    // lock, decides.
    bool On() const { return On_.load(std::memory_order_relaxed); }

private:
    template <class TAction> TSioResult Locked(TAction action);

    ISioRecorder& Recorder_;
    std::recursive_mutex& StateLock_;
    std::atomic<bool> On_{false};
};
