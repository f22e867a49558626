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

    TSioResult Start(std::uint32_t capacity) { return TCall(*this)->Start(capacity); }
    TSioResult Clear() {
        TCall(*this)->Clear();
        return ecOK;
    }
    void Discard() { TCall(*this)->Discard(); }
    void Pause() { TCall(*this)->Pause(); }
    void Resume() { TCall(*this)->Resume(); }
    TSioResult WriteFile(const std::string& name, bool append, bool hex, bool allHex) {
        return TCall(*this)->WriteFile(name, append, hex, allHex);
    }

    // May lag a change being made on another thread; the recorder's own flag, read under the
    // lock, decides.
    bool On() const { return On_.load(std::memory_order_relaxed); }

private:
    // One call on the recorder: the lock is held for it, and the flag follows before it is let go.
    class TCall {
    public:
        explicit TCall(TSioLockedRecorder& owner) : Owner_(owner), Lock_(owner.StateLock_) {}
        ~TCall() { Owner_.On_ = Owner_.Recorder_.Recording(); }
        TCall(const TCall&) = delete;
        TCall& operator=(const TCall&) = delete;
        ISioRecorder* operator->() const { return &Owner_.Recorder_; }

    private:
        TSioLockedRecorder& Owner_;
        std::lock_guard<std::recursive_mutex> Lock_;
    };

    ISioRecorder& Recorder_;
    std::recursive_mutex& StateLock_;
    std::atomic<bool> On_{false};
};
