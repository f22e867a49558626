#pragma once
// What the portable core asks of the platform: the device operations, and what the core tells
// the device layer about the line's reader beyond them. The dispatcher calls only these
// downwards; one platform class (SioPosixDispatcher.h) implements them all.
//
// Called on whichever thread runs the dispatcher's operation (the opening thread, the window's
// thread inside a delivery, or a worker), with the locks each notes.

#include "serial/engine/dispatcher/SioDispatcherFlags.h"
#include "serial/engine/dispatcher/SioLineSettings.h"
#include "serial/engine/errors/SioResultCodes.h"

#include <cstdint>
#include <string>

class ISioDeviceOperations {
protected:
    ~ISioDeviceOperations() = default;

    // --- Device operations, implemented by the device layer ---

    virtual TSioResult SendLineControl(TSioLineFunction function) = 0;
    // Discards the queued output or the unread input.
    virtual TSioResult PurgeDevice(TSioPurgeTarget which) = 0;
    // Clears and returns the line-error bits (under the output lock); the core fills OutQueue.
    virtual std::uint32_t ReadDeviceErrors(TSioDeviceStatus& status) = 0;
    // Bytes the device has taken but not yet sent; 0 when it cannot say.
    virtual std::uint32_t DeviceOutputQueued() = 0;
    virtual void AcknowledgeDeviceEvents(std::int32_t mask) = 0;
    virtual TSioResult ReadDeviceSettings(TSioLineSettings& settings) = 0;
    // Reads at most n bytes already waiting; the count, 0 when none, negative on failure.
    virtual std::int32_t ReadDevice(std::uint8_t* buffer, std::uint32_t n) = 0;
    virtual TSioResult WriteDeviceSettings(const TSioLineSettings& settings) = 0;
    // Copies into the output ring (room was checked) and wakes the output worker; returns n.
    virtual std::int32_t QueueOutput(const std::uint8_t* block, std::uint32_t n) = 0;
    virtual bool SizeDeviceQueues(std::uint32_t inSize, std::uint32_t outSize) = 0;
    // The device's descriptor, or a negative result code (minus errno, -8).
    virtual std::int32_t OpenDevice(const std::string& name, std::uint32_t inSize,
                                    std::uint32_t outSize) = 0;
    virtual TSioResult CloseDevice() = 0;
    // The modem lines in bits 4-7 (CTS 0x10, DSR 0x20, RI 0x40, DCD 0x80); 0 without lines.
    virtual std::uint8_t ReadModemLines() = 0;
    // The device events seen since the previous cycle (Ev* bits).
    virtual std::uint32_t TakeDeviceEvents() = 0;
    // Gives the existing workers their priorities after SetPriorityBoost or SetRs485.
    virtual void ApplyWorkerPriorities() = 0;

    // --- The reader hand-over: what the core tells the device layer beyond the operations ---

    // The input ring was full and has room again.
    virtual void InputRoomAvailable() = 0;
    // A receiver or the threshold changed, so unread bytes may now be due for a notification:
    // the worker that announces is to look again.
    virtual void AnnouncementDue() = 0;
    // The notify windows or the owner's handlers changed (StateLock held): the device layer
    // decides again who reads the line.
    virtual void ReceiversChanged() = 0;
    // A handler ran past HandOverBound, or returned within it (on the window's thread).
    virtual void HandlerOutlivedBound() = 0;
    virtual void HandlerWasQuick() = 0;
    // Somebody looks at the input: while nobody reads the line yet, the device layer is to choose
    // a reader and read what waits. As cheap as a look can be otherwise.
    virtual void ReaderWanted() = 0;
    // On the window's thread, as a detached delivery ends with input waiting: announces it from
    // there (the next notification queues behind the thread's own work), or leaves it to a worker
    // when one is announcing already.
    virtual void AnnounceAfterHandler() = 0;
    // True on one of this port's workers, which own no windows.
    virtual bool CalledFromWorker() const = 0;
};
