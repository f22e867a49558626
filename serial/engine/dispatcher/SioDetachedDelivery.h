#pragma once
// The dispatcher's detached delivery: the one outstanding (if any) with the moment its send
// times out, and the latest one, kept after its end so a release can wait until that end has
// finished with the dispatcher.
//
// A worker that sends a notification detached goes back to its device at once. The delivery
// ends on the window's thread when the handler has returned (or the message was dropped); that
// end books the read-ahead and announces, from the window's thread, the input that came in
// meanwhile. Until then no other notification goes out; after NotifySendTimeout a worker (or the
// release of the rings) ends it as a send that timed out, exactly as a waiting worker would have.
//
// Any thread. The deadline is read without a lock; the tickets sit behind a lock of their own,
// a leaf: a ticket is never ended while it is held.

#include "serial/engine/dispatcher/SioDeliveryTicket.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class TSioDetachedDelivery {
public:
    // A new outstanding delivery; its send times out NotifySendTimeout from now.
    std::shared_ptr<TSioDeliveryTicket> Open(std::uintptr_t announced,
                                             TSioDeliveryTicket::TEnd end);
    // The outstanding delivery's end is being booked: nothing is outstanding any more.
    void Close();
    bool IsOpen() const { return DeadlineNs_.load() != 0; }
    std::optional<std::chrono::steady_clock::time_point> Deadline() const;
    // Ends the outstanding delivery when its send has timed out.
    void ExpireIfOverdue();
    // Returns once the latest delivery's end, if one is being booked, is over.
    void AwaitLastEnd();

private:
    mutable std::mutex Lock_;
    std::shared_ptr<TSioDeliveryTicket> Current_;
    std::shared_ptr<TSioDeliveryTicket> Last_;
    // Steady-clock nanoseconds; 0: none outstanding.
    std::atomic<std::int64_t> DeadlineNs_{0};
};
