// What the event worker and the dispatch worker ask of the device layer: the event worker's
// wait and its answer to input, and when the dispatch worker's next cycle is due (their loops are
// SioEventWorker.h and SioDispatchWorker.h).
#include "serial/engine/posix/SioPosixDispatcher.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace {

// The cycle for what no device event reports: modem-line changes, and input while the event
// worker is gone.
constexpr std::chrono::milliseconds CycleTimeout{50};
constexpr std::chrono::milliseconds NoLimit{-1};
// The time left until `deadline`, rounded up, and never below zero.
std::chrono::milliseconds TimeLeft(std::chrono::steady_clock::time_point deadline) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

} // namespace

bool TSioPosixDispatcher::WaitDeviceEvent(std::uint32_t& mask) {
    // Waiting input would keep poll() returning at once while the input ring is full, and a
    // vanished device would always: then only a hang-up, or nothing, is asked for.
    // While the window's thread reads the line, only a hang-up is asked for.
    const bool reads = LineClaim_.Is(TSioLineReader::EventWorker) && !Core().InputFull();
    pollfd entries[3] = {{Signals_.DeviceWake.Fd(), POLLIN, 0},
                         {Signals_.HandOver.Fd(), POLLIN, 0},
                         {Slot_.Fd(), static_cast<short>(reads ? POLLIN : 0), 0}};
    nfds_t count = (Vanished_.Gone() || entries[2].fd < 0) ? 2 : 3;
    // Until a detached delivery's send times out, if one is open.
    const auto deadline = Core().DeliveryDeadline();
    int ready = poll(entries, count, deadline ? static_cast<int>(TimeLeft(*deadline).count()) : -1);
    if (ready < 0)
        return errno == EINTR;
    if (entries[0].revents & POLLIN)
        Signals_.DeviceWake.Consume();
    if ((entries[1].revents & POLLIN) && TakeLineFromSlowHandler())
        mask |= EvRxChar;
    if (count == 3) {
        if (entries[2].revents & POLLIN)
            mask |= EvRxChar;
        if (entries[2].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            MarkDeviceGone();
            // One more cycle takes whatever arrived before the hang-up.
            mask |= EvRxChar;
        }
    }
    return true;
}

void TSioPosixDispatcher::ServeInput() {
    // The worker that saw the input reads it at once (so poll() stops reporting it) and, unless
    // the dispatch worker is in a cycle, announces it itself: a reply reaches the window without
    // a hand-over between workers. While the receivers are slow, the dispatch worker announces
    // instead, so this worker reads on into the ring while a handler takes.
    Core().FillInput();
    if (Vanished_.Gone() || Announcer_.ReceiversSlow()) {
        WakeDispatchWorker();
        return;
    }
    // A pass of the window's thread looks again as it ends; a cycle under way may have looked
    // already, and runs once more.
    if (!Announcer_.TryRun([this] { Core().AnnounceInput(); }, true) && !Core().WindowReading())
        WakeDispatchWorker();
}

std::chrono::milliseconds TSioPosixDispatcher::NextCycleDue() const {
    std::chrono::milliseconds due = NoLimit;
    if (Vanished_.Gone()) {
        // Letting go was tried when the device went; should it have failed, it is tried again.
        due = Slot_.Detached() ? TimeLeft(Vanished_.NextReattach()) : CycleTimeout;
    } else if ((!Core().Workers().Alive(TSioWorkerKind::Event) &&
                LineClaim_.Is(TSioLineReader::EventWorker)) ||
               Lines_.HasModemLines()) {
        due = CycleTimeout;
    }
    // Otherwise input, hang-ups and closes all arrive as wake-ups: nothing is due until one
    // comes, or until a detached delivery's send times out.
    if (const auto deadline = Core().DeliveryDeadline()) {
        const std::chrono::milliseconds left = TimeLeft(*deadline);
        due = due == NoLimit ? left : std::min(due, left);
    }
    return due;
}

bool TSioPosixDispatcher::CalledFromWorker() const {
    return Threads_.OnWorker();
}
