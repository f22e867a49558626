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
        ReadDeviceSettings(LineSettings_);
        if (stopBits != KeepStopBits)
            stopBits = std::clamp<std::uint8_t>(stopBits, 1, 2);
        rate = baud != KeepBaud ? baud : LineSettings_.BaudRate;
        newParity = parity != KeepParity ? parity : LineSettings_.Parity;
        stopCode = LineSettings_.StopBits;
        byteSize = dataBits != KeepDataBits ? dataBits : LineSettings_.ByteSize;
        if (dataBits == 5)
            stopCode = One5StopBits;
        if (stopBits != KeepStopBits)
            stopCode = byteSize == 5 ? One5StopBits : (stopBits == 1 ? OneStopBit : TwoStopBits);
        if (rate == LineSettings_.BaudRate && newParity == LineSettings_.Parity &&
            byteSize == LineSettings_.ByteSize && stopCode == LineSettings_.StopBits)
            return ecOK;
    }
    WaitOutputDrained();
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(LineSettings_);
    LineSettings_.BaudRate = rate;
    LineSettings_.Parity = newParity;
    LineSettings_.ByteSize = byteSize;
    LineSettings_.StopBits = stopCode;
    return WriteLineSettings(LineSettings_);
}

void TSioBaseDispatcher::WaitOutputDrained() {
    // Bytes the device already holds would otherwise go out at the new rate, or be cut.
    for (int pass = 0; pass < 5000 && (OutputUsed() > 0 || DeviceOutputQueued() > 0); ++pass)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    // Characters the device already has go out at the old rate; with nothing written since the
    // open there are none to wait for.
    if (!OutputSinceOpen_.load())
        return;
    std::uint32_t delay;
    {
        std::lock_guard lock(StateLock_);
        ReadDeviceSettings(LineSettings_);
        delay = DrainDelayMs(LineSettings_, LastRate_);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
}

TSioLineQuery TSioBaseDispatcher::QueryLine() {
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(LineSettings_);
    TSioLineQuery query;
    query.Baud = NormaliseRate(LineSettings_.BaudRate);
    query.Parity = LineSettings_.Parity;
    query.DataBits = LineSettings_.ByteSize;
    query.StopBits = LineSettings_.StopBits != OneStopBit ? 2 : 1;
    return query;
}

TSioResult TSioBaseDispatcher::WriteLineSettings(TSioLineSettings& settings) {
    std::lock_guard lock(StateLock_);
    if (!DtrByFlow_)
        settings.fDtrControl = DtrOn_ ? TSioLineControl::Enable : TSioLineControl::Disable;
    if (!RtsByFlow_)
        settings.fRtsControl = RtsOn_ ? TSioLineControl::Enable : TSioLineControl::Disable;
    TSioResult result = WriteDeviceSettings(settings);
    LastRate_ = settings.BaudRate;
    DriveDtr(DtrOn_);
    if (!Rs485_)
        DriveRts(RtsOn_);
    return result;
}

TSioResult TSioBaseDispatcher::DriveDtr(bool on) {
    std::lock_guard lock(StateLock_);
    if (DtrByFlow_)
        return 1;
    TSioResult result =
        SendLineControl(on ? TSioLineFunction::RaiseDtr : TSioLineFunction::LowerDtr);
    DtrOn_ = on;
    return result < 0 ? ecBadArgument : result;
}

TSioResult TSioBaseDispatcher::DriveRts(bool on) {
    std::lock_guard lock(StateLock_);
    if (RtsByFlow_)
        return 1;
    TSioResult result =
        SendLineControl(on ? TSioLineFunction::RaiseRts : TSioLineFunction::LowerRts);
    RtsOn_ = on;
    return result < 0 ? ecBadArgument : result;
}

TSioResult TSioBaseDispatcher::ApplyHardwareFlow(std::uint32_t bufferFull, std::uint32_t resume,
                                                 std::uint32_t options) {
    std::lock_guard lock(StateLock_);
    if (bufferFull < resume || bufferFull > InSize_)
        return ecBadArgument;
    ReadDeviceSettings(LineSettings_);
    LineSettings_.fOutxCtsFlow = false;
    LineSettings_.fOutxDsrFlow = false;
    LineSettings_.fDtrControl = TSioLineControl::Disable;
    LineSettings_.fRtsControl = TSioLineControl::Disable;
    DtrByFlow_ = false;
    RtsByFlow_ = false;
    if (options & HwFlowUseDtr) {
        LineSettings_.fDtrControl = TSioLineControl::Handshake;
        DtrByFlow_ = true;
    } else if (DtrOn_) {
        LineSettings_.fDtrControl = TSioLineControl::Enable;
    }
    if (options & HwFlowUseRts) {
        LineSettings_.fRtsControl = TSioLineControl::Handshake;
        RtsByFlow_ = true;
    } else if (RtsOn_) {
        LineSettings_.fRtsControl = TSioLineControl::Enable;
    }
    if (Rs485_) {
        LineSettings_.fRtsControl = TSioLineControl::Toggle;
        RtsByFlow_ = true;
    }
    LineSettings_.XoffLim = static_cast<std::uint16_t>(InSize_ - bufferFull);
    LineSettings_.XonLim = static_cast<std::uint16_t>(resume);
    LineSettings_.fOutxDsrFlow = (options & HwFlowRequireDsr) != 0;
    LineSettings_.fOutxCtsFlow = (options & HwFlowRequireCts) != 0;
    return WriteLineSettings(LineSettings_);
}

TSioResult TSioBaseDispatcher::ApplySoftwareFlow(std::uint32_t bufferFull, std::uint32_t resume,
                                                 std::uint32_t options) {
    std::lock_guard lock(StateLock_);
    if (bufferFull < resume || bufferFull > InSize_)
        return ecBadArgument;
    ReadDeviceSettings(LineSettings_);
    if (options & SwFlowReceive) {
        LineSettings_.fInX = true;
        LineSettings_.XoffLim = static_cast<std::uint16_t>(InSize_ - bufferFull);
        LineSettings_.XonLim = static_cast<std::uint16_t>(resume);
        LineSettings_.XonChar = 17;
        LineSettings_.XoffChar = 19;
    }
    if (options & SwFlowTransmit) {
        LineSettings_.fOutX = true;
        LineSettings_.XonChar = 17;
        LineSettings_.XoffChar = 19;
    }
    return WriteLineSettings(LineSettings_);
}

TSioResult TSioBaseDispatcher::DisableSoftwareFlow() {
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(LineSettings_);
    LineSettings_.fInX = false;
    LineSettings_.fOutX = false;
    return WriteLineSettings(LineSettings_);
}

TSioResult TSioBaseDispatcher::ApplyFlowChars(std::uint8_t xon, std::uint8_t xoff) {
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(LineSettings_);
    LineSettings_.XonChar = xon;
    LineSettings_.XoffChar = xoff;
    return WriteLineSettings(LineSettings_);
}

TSioFlowQuery TSioBaseDispatcher::QueryFlow() {
    std::lock_guard lock(StateLock_);
    TSioFlowQuery query;
    query.Result = ReadDeviceSettings(LineSettings_);
    if (LineSettings_.fDtrControl == TSioLineControl::Handshake)
        query.Hardware |= HwFlowUseDtr;
    if (LineSettings_.fRtsControl == TSioLineControl::Handshake ||
        LineSettings_.fRtsControl == TSioLineControl::Toggle)
        query.Hardware |= HwFlowUseRts;
    if (LineSettings_.fOutxDsrFlow)
        query.Hardware |= HwFlowRequireDsr;
    if (LineSettings_.fOutxCtsFlow)
        query.Hardware |= HwFlowRequireCts;
    if (LineSettings_.fInX)
        query.Software |= SwFlowReceive;
    if (LineSettings_.fOutX)
        query.Software |= SwFlowTransmit;
    query.XonChar = LineSettings_.XonChar;
    query.XoffChar = LineSettings_.XoffChar;
    return query;
}

TSioDeviceStatus TSioBaseDispatcher::RefreshLineErrors() {
    std::uint32_t bits;
    TSioDeviceStatus status;
    {
        std::lock_guard lock(OutputLock_);
        bits = ReadErrorsAndUsage();
        status = DeviceStatus_;
    }
    if (bits & 0x1F) {
        std::lock_guard lock(StateLock_);
        LineErrorBits_ |= bits & 0x1F;
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
        if (LineErrorBits_ & entry.Bit) {
            LineErrorBits_ &=
                ~(LineErrorRxOver | LineErrorOverrun | LineErrorParity | LineErrorFrame);
            return entry.Code;
        }
    }
    return 0;
}

bool TSioBaseDispatcher::TakeLineBreak() {
    std::lock_guard lock(StateLock_);
    bool set = (LineErrorBits_ & LineErrorBreak) != 0;
    LineErrorBits_ &= ~LineErrorBreak;
    return set;
}

std::uint8_t TSioBaseDispatcher::RefreshModemStatus(std::uint8_t mask) {
    std::lock_guard lock(StateLock_);
    std::uint8_t lines = ReadModemLines();
    ModemBits_ = static_cast<std::uint8_t>((lines & 0xF0) | (ModemBits_ & 0x0F));
    if (RingSeen_.exchange(false))
        ModemBits_ |= 4;
    std::uint8_t result = ModemBits_;
    ModemBits_ &= mask;
    return result;
}

void TSioBaseDispatcher::NoteModemChange() {
    std::lock_guard lock(StateLock_);
    std::uint8_t old = ModemBits_;
    RefreshModemStatus(0xFF);
    std::uint8_t changed = static_cast<std::uint8_t>((old ^ ModemBits_) & 0xF0);
    ModemBits_ |= static_cast<std::uint8_t>(changed >> 4);
}

std::uint8_t TSioBaseDispatcher::ModemBits() {
    std::lock_guard lock(StateLock_);
    return ModemBits_;
}

TSioLineState TSioBaseDispatcher::LineState() {
    std::lock_guard lock(StateLock_);
    return {LineSettings_, DtrOn_, DtrByFlow_, RtsOn_, RtsByFlow_, Rs485_, PriorityBoost_};
}
