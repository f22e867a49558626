#pragma once
// For tests that need a notification to wait for the window's thread while it handles no events:
// the port's line is then read by its event worker, which it is once a handler has outlived the
// engine's hand-over bound, until a handler returns within it.

#include "serial/component/SioComPort.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <chrono>
#include <functional>
#include <thread>

// Each GUI test program has its own event-loop wait with this signature.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline);

// Sends one byte with `writeByte`, lets its handler outlive the bound and waits until it has run;
// the port is left without an OnTriggerAvail handler, for the caller to set its own.
inline bool HandLineToWorker(TSioCustomComPort& port, const std::function<bool()>& writeByte) {
    bool handled = false;
    port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t count) {
        for (std::uint16_t i = 0; i < count; ++i)
            CP.ReadChar();
        std::this_thread::sleep_for(3 * HandOverBound);
        handled = true;
    });
    const bool done = writeByte() && WaitUntil([&] { return handled; }, std::chrono::seconds(10));
    port.SetOnTriggerAvail(nullptr);
    return done;
}
