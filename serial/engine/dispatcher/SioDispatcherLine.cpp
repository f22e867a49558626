// Line settings, line control, flow control, line errors and modem status of the dispatcher.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/dispatcher/SioLineTiming.h"

#include <algorithm>
#include <thread>

TSioResult TSioBaseDispatcher::ApplyLine(std::uint32_t baud, std::uint8_t parity,
                                         std::uint8_t dataBits, std::uint8_t stopBits) {
    std::uint32_t rate;
    std::uint8_t newParity;
    std::uint8_t byteSize;
    std::uint8_t stopCode;
    {
        std::lock_guard lock(StateLock_);
        ReadDeviceSettings(LineSettings);
        if (stopBits != KeepStopBits)
            stopBits = std::clamp<std::uint8_t>(stopBits, 1, 2);
        rate = baud != KeepBaud ? baud : LineSettings.BaudRate;
        newParity = parity != KeepParity ? parity : LineSettings.Parity;
        stopCode = LineSettings.StopBits;
        byteSize = dataBits != KeepDataBits ? dataBits : LineSettings.ByteSize;
        if (dataBits == 5)
            stopCode = One5StopBits;
        if (stopBits != KeepStopBits)
            stopCode = byteSize == 5 ? One5StopBits : (stopBits == 1 ? OneStopBit : TwoStopBits);
        if (rate == LineSettings.BaudRate && newParity == LineSettings.Parity &&
            byteSize == LineSettings.ByteSize && stopCode == LineSettings.StopBits)
            return ecOK;
    }
    WaitOutputDrained();
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(LineSettings);
    LineSettings.BaudRate = rate;
    LineSettings.Parity = newParity;
    LineSettings.ByteSize = byteSize;
    LineSettings.StopBits = stopCode;
    return WriteLineSettings(LineSettings);
}

void TSioBaseDispatcher::WaitOutputDrained() {
    // Bytes the device already holds would otherwise go out at the new rate, or be cut.
    for (int pass = 0; pass < 5000 && (OutputUsed() > 0 || DeviceOutputQueued() > 0); ++pass)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    // Characters the device already has go out at the old rate; with nothing written since the
    // open there are none to wait for.
    if (!OutputSinceOpen.load())
        return;
    std::uint32_t delay;
    {
        std::lock_guard lock(StateLock_);
        ReadDeviceSettings(LineSettings);
        delay = DrainDelayMs(LineSettings, LastRate);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
}

TSioLineQuery TSioBaseDispatcher::QueryLine() {
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(LineSettings);
    TSioLineQuery query;
    query.Baud = NormaliseRate(LineSettings.BaudRate);
    query.Parity = LineSettings.Parity;
    query.DataBits = LineSettings.ByteSize;
    query.StopBits = LineSettings.StopBits != OneStopBit ? 2 : 1;
    return query;
}

TSioResult TSioBaseDispatcher::WriteLineSettings(TSioLineSettings& settings) {
    std::lock_guard lock(StateLock_);
    if (!DtrByFlow)
        settings.fDtrControl = DtrOn ? TSioLineControl::Enable : TSioLineControl::Disable;
    if (!RtsByFlow)
        settings.fRtsControl = RtsOn ? TSioLineControl::Enable : TSioLineControl::Disable;
    TSioResult result = WriteDeviceSettings(settings);
    LastRate = settings.BaudRate;
    DriveDtr(DtrOn);
    if (!Rs485)
        DriveRts(RtsOn);
    return result;
}

TSioResult TSioBaseDispatcher::DriveDtr(bool on) {
    std::lock_guard lock(StateLock_);
    if (DtrByFlow)
        return 1;
    TSioResult result =
        SendLineControl(on ? TSioLineFunction::RaiseDtr : TSioLineFunction::LowerDtr);
    DtrOn = on;
    return result < 0 ? ecBadArgument : result;
}

TSioResult TSioBaseDispatcher::DriveRts(bool on) {
    std::lock_guard lock(StateLock_);
    if (RtsByFlow)
        return 1;
    TSioResult result =
        SendLineControl(on ? TSioLineFunction::RaiseRts : TSioLineFunction::LowerRts);
    RtsOn = on;
    return result < 0 ? ecBadArgument : result;
}

TSioResult TSioBaseDispatcher::ApplyHardwareFlow(std::uint32_t bufferFull, std::uint32_t resume,
                                                 std::uint32_t options) {
    std::lock_guard lock(StateLock_);
    if (bufferFull < resume || bufferFull > InSize)
        return ecBadArgument;
    ReadDeviceSettings(LineSettings);
    LineSettings.fOutxCtsFlow = false;
    LineSettings.fOutxDsrFlow = false;
    LineSettings.fDtrControl = TSioLineControl::Disable;
    LineSettings.fRtsControl = TSioLineControl::Disable;
    DtrByFlow = false;
    RtsByFlow = false;
    if (options & HwFlowUseDtr) {
        LineSettings.fDtrControl = TSioLineControl::Handshake;
        DtrByFlow = true;
    } else if (DtrOn) {
        LineSettings.fDtrControl = TSioLineControl::Enable;
    }
    if (options & HwFlowUseRts) {
        LineSettings.fRtsControl = TSioLineControl::Handshake;
        RtsByFlow = true;
    } else if (RtsOn) {
        LineSettings.fRtsControl = TSioLineControl::Enable;
    }
    if (Rs485) {
        LineSettings.fRtsControl = TSioLineControl::Toggle;
        RtsByFlow = true;
    }
    LineSettings.XoffLim = static_cast<std::uint16_t>(InSize - bufferFull);
    LineSettings.XonLim = static_cast<std::uint16_t>(resume);
    LineSettings.fOutxDsrFlow = (options & HwFlowRequireDsr) != 0;
    LineSettings.fOutxCtsFlow = (options & HwFlowRequireCts) != 0;
    return WriteLineSettings(LineSettings);
}

TSioResult TSioBaseDispatcher::ApplySoftwareFlow(std::uint32_t bufferFull, std::uint32_t resume,
                                                 std::uint32_t options) {
    std::lock_guard lock(StateLock_);
    if (bufferFull < resume || bufferFull > InSize)
        return ecBadArgument;
    ReadDeviceSettings(LineSettings);
    if (options & SwFlowReceive) {
        LineSettings.fInX = true;
        LineSettings.XoffLim = static_cast<std::uint16_t>(InSize - bufferFull);
        LineSettings.XonLim = static_cast<std::uint16_t>(resume);
        LineSettings.XonChar = 17;
        LineSettings.XoffChar = 19;
    }
    if (options & SwFlowTransmit) {
        LineSettings.fOutX = true;
        LineSettings.XonChar = 17;
        LineSettings.XoffChar = 19;
    }
    return WriteLineSettings(LineSettings);
}

TSioResult TSioBaseDispatcher::DisableSoftwareFlow() {
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(LineSettings);
    LineSettings.fInX = false;
    LineSettings.fOutX = false;
    return WriteLineSettings(LineSettings);
}

TSioResult TSioBaseDispatcher::ApplyFlowChars(std::uint8_t xon, std::uint8_t xoff) {
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(LineSettings);
    LineSettings.XonChar = xon;
    LineSettings.XoffChar = xoff;
    return WriteLineSettings(LineSettings);
}

TSioFlowQuery TSioBaseDispatcher::QueryFlow() {
    std::lock_guard lock(StateLock_);
    TSioFlowQuery query;
    query.Result = ReadDeviceSettings(LineSettings);
    if (LineSettings.fDtrControl == TSioLineControl::Handshake)
        query.Hardware |= HwFlowUseDtr;
    if (LineSettings.fRtsControl == TSioLineControl::Handshake ||
        LineSettings.fRtsControl == TSioLineControl::Toggle)
        query.Hardware |= HwFlowUseRts;
    if (LineSettings.fOutxDsrFlow)
        query.Hardware |= HwFlowRequireDsr;
    if (LineSettings.fOutxCtsFlow)
        query.Hardware |= HwFlowRequireCts;
    if (LineSettings.fInX)
        query.Software |= SwFlowReceive;
    if (LineSettings.fOutX)
        query.Software |= SwFlowTransmit;
    query.XonChar = LineSettings.XonChar;
    query.XoffChar = LineSettings.XoffChar;
    return query;
}

TSioDeviceStatus TSioBaseDispatcher::RefreshLineErrors() {
    std::uint32_t bits;
    TSioDeviceStatus status;
    {
        std::lock_guard lock(OutputLock);
        bits = ReadErrorsAndUsage();
        status = DeviceStatus;
    }
    if (bits & 0x1F) {
        std::lock_guard lock(StateLock_);
        LineErrorBits |= bits & 0x1F;
    }
    return status;
}

std::int32_t TSioBaseDispatcher::TakeLineError() {
    static constexpr struct {
        std::uint32_t Bit;
        std::int32_t Code;
    } Order[] = {{LineErrorRxOver, 1},
                 {LineErrorOverrun, 2},
                 {LineErrorParity, 3},
                 {LineErrorFrame, 4},
                 {LineErrorBreak, 9}};
    std::lock_guard lock(StateLock_);
    for (const auto& entry : Order) {
        if (LineErrorBits & entry.Bit) {
            LineErrorBits &=
                ~(LineErrorRxOver | LineErrorOverrun | LineErrorParity | LineErrorFrame);
            return entry.Code;
        }
    }
    return 0;
}

bool TSioBaseDispatcher::TakeLineBreak() {
    std::lock_guard lock(StateLock_);
    bool set = (LineErrorBits & LineErrorBreak) != 0;
    LineErrorBits &= ~LineErrorBreak;
    return set;
}

std::uint8_t TSioBaseDispatcher::RefreshModemStatus(std::uint8_t mask) {
    std::lock_guard lock(StateLock_);
    std::uint8_t lines = ReadModemLines();
    FModemBits = static_cast<std::uint8_t>((lines & 0xF0) | (FModemBits & 0x0F));
    if (RingSeen.exchange(false))
        FModemBits |= 4;
    std::uint8_t result = FModemBits;
    FModemBits &= mask;
    return result;
}

void TSioBaseDispatcher::NoteModemChange() {
    std::lock_guard lock(StateLock_);
    std::uint8_t old = FModemBits;
    RefreshModemStatus(0xFF);
    std::uint8_t changed = static_cast<std::uint8_t>((old ^ FModemBits) & 0xF0);
    FModemBits |= static_cast<std::uint8_t>(changed >> 4);
}

std::uint8_t TSioBaseDispatcher::ModemBits() {
    std::lock_guard lock(StateLock_);
    return FModemBits;
}

TSioLineState TSioBaseDispatcher::LineState() {
    std::lock_guard lock(StateLock_);
    return {LineSettings, DtrOn, DtrByFlow, RtsOn, RtsByFlow, Rs485, PriorityBoost};
}
