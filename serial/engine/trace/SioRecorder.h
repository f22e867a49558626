#pragma once
// What the dispatcher asks of each of its two recorders, the byte trace and the dispatch log:
// start (making the store, or emptying the one there is), clear, discard, pause, resume, and
// write the file, always with the arguments in one order.
//
// Implementations take no lock: the owner (the dispatcher) guards every call with its state lock.

#include "serial/engine/errors/SioResultCodes.h"

#include <cstdint>
#include <string>

class ISioRecorder {
public:
    virtual ~ISioRecorder() = default;

    // Makes a store of capacity, or empties the existing one keeping its capacity; recording on.
    // ecOK, or a refusal that leaves the recorder as it was.
    virtual TSioResult Start(std::uint32_t capacity) = 0;
    // Forgets the entries; recording unchanged.
    virtual void Clear() = 0;
    // Recording off; the store is freed.
    virtual void Discard() = 0;
    virtual void Pause() = 0;
    // Recording on if a store exists.
    virtual void Resume() = 0;
    virtual bool Recording() const = 0;
    // Writes the entries oldest first and ends the recording: 0, or minus errno.
    virtual TSioResult WriteFile(const std::string& name, bool append, bool hex, bool allHex) = 0;
};
