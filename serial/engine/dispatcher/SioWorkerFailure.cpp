// The one report of a worker that ended on an exception.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <cstdio>

namespace {

const char* WorkerName(TSioWorkerKind worker) {
    switch (worker) {
    case TSioWorkerKind::Event:
        return "event";
    case TSioWorkerKind::Dispatch:
        return "dispatch";
    case TSioWorkerKind::Output:
        return "output";
    }
    return "unknown";
}

} // namespace

void TSioBaseDispatcher::ReportWorkerFailure(TSioWorkerKind worker,
                                             const std::string& error) noexcept {
    try {
        const std::string port = PortName();
        const std::string line = (port.empty() ? std::string("serial port") : port) + ": " +
                                 WorkerName(worker) + " worker ended: " + error;
        // One write, so the line is not torn by another thread's output.
        std::fprintf(stderr, "%s\n", line.c_str());
    } catch (...) {
        // Out of memory for the text: the worker still ends in order.
    }
}
