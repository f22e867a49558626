#pragma once
// The dispatcher's line: its settings (rate, framing, flow control, flow characters), the DTR,
// RTS and RS-485 state it drives, the worker priority boost, and the line errors and modem bits
// it has gathered. It sits right over the device operations, which it alone of the dispatcher's
// parts uses for the line, and under the dispatcher, which opens the port and fills the status.
//
// Threads: the opening thread (and a handler, on the window's thread) calls the public
// operations. Locks: it owns StateLock_, the dispatcher's state lock, and takes it for every
// operation; WaitOutputDrained waits without it. Failures are negative result codes.

#include "serial/engine/dispatcher/SioDeviceOperations.h"
#include "serial/engine/dispatcher/SioDispatcherCore.h"
#include "serial/engine/dispatcher/SioLineSettings.h"
#include "serial/engine/dispatcher/SioLineStatus.h"
#include "serial/engine/errors/SioResultCodes.h"

#include <atomic>
#include <cstdint>
#include <mutex>

class TSioDispatcherLine : protected ISioDeviceOperations {
public:
    // KeepBaud / KeepParity / KeepDataBits / KeepStopBits keep a value. Unchanged values return
    // 0 at once; otherwise waits for the output to drain first.
    TSioResult ApplyLine(std::uint32_t baud, std::uint8_t parity, std::uint8_t dataBits,
                         std::uint8_t stopBits);
    TSioLineQuery QueryLine();
    // 0; 1 when the line is driven by flow control (nothing changes); -1002 on a device failure.
    TSioResult DriveDtr(bool on);
    TSioResult DriveRts(bool on);
    // -1002 when bufferFull < resume or bufferFull > the input size.
    TSioResult ApplyHardwareFlow(std::uint32_t bufferFull, std::uint32_t resume,
                                 std::uint32_t options);
    TSioResult ApplySoftwareFlow(std::uint32_t bufferFull, std::uint32_t resume,
                                 std::uint32_t options);
    TSioResult DisableSoftwareFlow();
    TSioResult ApplyFlowChars(std::uint8_t xon, std::uint8_t xoff);
    // Reports the dispatcher's settings, including handshakes the device cannot do itself
    // (DTR/DSR), which are kept here and not enforced by the device.
    TSioFlowQuery QueryFlow();
    // 1 receive overflow, 2 overrun, 3 parity, 4 framing, 9 break, 0 none.
    std::int32_t TakeLineError();
    bool TakeLineBreak();
    // Current modem lines and change bits (16550 layout: bits 4-7 CTS DSR RI DCD, 0-3 changes).
    std::uint8_t ModemBits();
    void SetRs485(bool on);
    // 0, 1 or 2 steps above normal; a refusal by the system is not an error.
    void SetPriorityBoost(std::uint8_t boost);

protected:
    TSioDispatcherLine() = default;
    ~TSioDispatcherLine() = default;

    // Bytes in the output ring not yet taken by the device (OutputLock).
    virtual std::uint32_t OutputUsed() = 0;

    // A new open of `inSize` bytes of input: the device's settings read afresh, DTR and RTS as
    // the open flags ask, no errors, no modem bits, no output written yet.
    void ResetLine(std::uint32_t inSize, std::uint32_t flags);

    std::recursive_mutex StateLock_;
    // The line settings and the DTR/RTS/RS-485 state and priority boost the port was given.
    TSioLineState Line_;
    TSioLineStatus LineStatus_;
    // Nothing has been written since the device was opened: a line change need not wait for
    // characters on the wire.
    std::atomic<bool> OutputSinceOpen_{false};

private:
    TSioResult WriteLineSettings(TSioLineSettings& settings);
    // Waits, within a fixed limit, until the output ring and the device's own queue are empty.
    void WaitOutputDrained();

    std::uint32_t InSize_ = 0;
    std::uint32_t LastRate_ = 115200;
};
