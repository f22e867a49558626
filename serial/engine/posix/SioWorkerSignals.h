#pragma once
// The wake-ups between a port's workers and the threads that serve them, each an eventfd (or,
// for the hand-over, a timerfd) a worker can poll() together with its device.
//
// Made with the first worker and kept until the dispatcher goes: a port no worker serves needs
// none. Any thread sets them; each is waited on by one worker.

#include "serial/engine/posix/SioSignal.h"
#include "serial/engine/posix/SioTimer.h"

struct TSioWorkerSignals {
    // Wakes the dispatch worker's cycle.
    TSioSignal CommEvent{TSioSignal::Reset::Automatic};
    // A worker's answer to a flush or a stop.
    TSioSignal WorkerAck{TSioSignal::Reset::Automatic};
    // Output waits in the ring. A write's completion needs none: the output worker waits for the
    // device's POLLOUT together with OutputFlush.
    TSioSignal OutputReady{TSioSignal::Reset::Automatic};
    TSioSignal OutputFlush{TSioSignal::Reset::Automatic};
    // Wakes the event worker's poll (close, ring room, device gone, a new reader).
    TSioSignal DeviceWake{TSioSignal::Reset::Automatic};
    // Armed by the window's thread around its deliveries while the event worker runs: when it
    // expires the handler has outlived HandOverBound, and the worker takes the line at once.
    TSioTimer HandOver;

    // True when all are there.
    bool Create() {
        for (TSioSignal* signal : {&CommEvent, &WorkerAck, &OutputReady, &OutputFlush, &DeviceWake})
            if (signal->Create() != 0)
                return false;
        return HandOver.Create() == 0;
    }
};
