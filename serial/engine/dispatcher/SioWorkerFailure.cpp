// The one report of a worker that ended on an exception.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/trace/SioLogEntry.h"

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
        std::string port = PortName();
        const std::string line = (port.empty() ? std::string("serial port") : port) + ": " +
                                 WorkerName(worker) + " worker ended: " + error;
        // One write, so the line is not torn by another thread's output.
        std::fprintf(stderr, "%s\n", line.c_str());
        // The one thread entry the log keeps: a worker's routine start and end are not logged,
        // but the reason a worker died belongs beside the entries it cut short.
        RecordLog(sltThread, slsExit, static_cast<std::int32_t>(worker),
                  reinterpret_cast<const std::uint8_t*>(line.data()),
                  static_cast<std::uint32_t>(line.size()));
    } catch (...) {
        // Out of memory for the text: the worker still ends in order.
    }
}
