#include "serial/engine/dispatcher/SioDispatcherLine.h"

#include "serial/engine/dispatcher/SioLineTiming.h"

#include <algorithm>
#include <thread>

TSioResult TSioDispatcherLine::ApplyLine(std::uint32_t baud, std::uint8_t parity,
                                         std::uint8_t dataBits, std::uint8_t stopBits) {
    std::uint32_t rate;
    std::uint8_t newParity;
    std::uint8_t byteSize;
    std::uint8_t stopCode;
    {
        std::lock_guard lock(StateLock_);
        ReadDeviceSettings(Line_.Settings);
        if (stopBits != KeepStopBits)
            stopBits = std::clamp<std::uint8_t>(stopBits, 1, 2);
        rate = baud != KeepBaud ? baud : Line_.Settings.BaudRate;
        newParity = parity != KeepParity ? parity : Line_.Settings.Parity;
        stopCode = Line_.Settings.StopBits;
        byteSize = dataBits != KeepDataBits ? dataBits : Line_.Settings.ByteSize;
        if (dataBits == 5)
            stopCode = One5StopBits;
        if (stopBits != KeepStopBits)
            stopCode = byteSize == 5 ? One5StopBits : (stopBits == 1 ? OneStopBit : TwoStopBits);
        if (rate == Line_.Settings.BaudRate && newParity == Line_.Settings.Parity &&
            byteSize == Line_.Settings.ByteSize && stopCode == Line_.Settings.StopBits)
            return ecOK;
    }
    WaitOutputDrained();
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(Line_.Settings);
    Line_.Settings.BaudRate = rate;
    Line_.Settings.Parity = newParity;
    Line_.Settings.ByteSize = byteSize;
    Line_.Settings.StopBits = stopCode;
    return WriteLineSettings(Line_.Settings);
}

void TSioDispatcherLine::WaitOutputDrained() {
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
        ReadDeviceSettings(Line_.Settings);
        delay = DrainDelayMs(Line_.Settings, LastRate_);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
}

TSioLineQuery TSioDispatcherLine::QueryLine() {
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(Line_.Settings);
    TSioLineQuery query;
    query.Baud = NormaliseRate(Line_.Settings.BaudRate);
    query.Parity = Line_.Settings.Parity;
    query.DataBits = Line_.Settings.ByteSize;
    query.StopBits = Line_.Settings.StopBits != OneStopBit ? 2 : 1;
    return query;
}

TSioResult TSioDispatcherLine::WriteLineSettings(TSioLineSettings& settings) {
    std::lock_guard lock(StateLock_);
    if (!Line_.DtrByFlow)
        settings.fDtrControl = Line_.DtrOn ? TSioLineControl::Enable : TSioLineControl::Disable;
    if (!Line_.RtsByFlow)
        settings.fRtsControl = Line_.RtsOn ? TSioLineControl::Enable : TSioLineControl::Disable;
    TSioResult result = WriteDeviceSettings(settings);
    LastRate_ = settings.BaudRate;
    DriveDtr(Line_.DtrOn);
    if (!Line_.Rs485)
        DriveRts(Line_.RtsOn);
    return result;
}

TSioResult TSioDispatcherLine::DriveDtr(bool on) {
    std::lock_guard lock(StateLock_);
    if (Line_.DtrByFlow)
        return 1;
    TSioResult result =
        SendLineControl(on ? TSioLineFunction::RaiseDtr : TSioLineFunction::LowerDtr);
    Line_.DtrOn = on;
    return result < 0 ? ecBadArgument : result;
}

TSioResult TSioDispatcherLine::DriveRts(bool on) {
    std::lock_guard lock(StateLock_);
    if (Line_.RtsByFlow)
        return 1;
    TSioResult result =
        SendLineControl(on ? TSioLineFunction::RaiseRts : TSioLineFunction::LowerRts);
    Line_.RtsOn = on;
    return result < 0 ? ecBadArgument : result;
}

TSioResult TSioDispatcherLine::ApplyHardwareFlow(std::uint32_t bufferFull, std::uint32_t resume,
                                                 std::uint32_t options) {
    std::lock_guard lock(StateLock_);
    if (bufferFull < resume || bufferFull > InSize_)
        return ecBadArgument;
    ReadDeviceSettings(Line_.Settings);
    Line_.Settings.fOutxCtsFlow = false;
    Line_.Settings.fOutxDsrFlow = false;
    Line_.Settings.fDtrControl = TSioLineControl::Disable;
    Line_.Settings.fRtsControl = TSioLineControl::Disable;
    Line_.DtrByFlow = false;
    Line_.RtsByFlow = false;
    if (options & HwFlowUseDtr) {
        Line_.Settings.fDtrControl = TSioLineControl::Handshake;
        Line_.DtrByFlow = true;
    } else if (Line_.DtrOn) {
        Line_.Settings.fDtrControl = TSioLineControl::Enable;
    }
    if (options & HwFlowUseRts) {
        Line_.Settings.fRtsControl = TSioLineControl::Handshake;
        Line_.RtsByFlow = true;
    } else if (Line_.RtsOn) {
        Line_.Settings.fRtsControl = TSioLineControl::Enable;
    }
    if (Line_.Rs485) {
        Line_.Settings.fRtsControl = TSioLineControl::Toggle;
        Line_.RtsByFlow = true;
    }
    Line_.Settings.XoffLim = static_cast<std::uint16_t>(InSize_ - bufferFull);
    Line_.Settings.XonLim = static_cast<std::uint16_t>(resume);
    Line_.Settings.fOutxDsrFlow = (options & HwFlowRequireDsr) != 0;
    Line_.Settings.fOutxCtsFlow = (options & HwFlowRequireCts) != 0;
    return WriteLineSettings(Line_.Settings);
}

TSioResult TSioDispatcherLine::ApplySoftwareFlow(std::uint32_t bufferFull, std::uint32_t resume,
                                                 std::uint32_t options) {
    std::lock_guard lock(StateLock_);
    if (bufferFull < resume || bufferFull > InSize_)
        return ecBadArgument;
    ReadDeviceSettings(Line_.Settings);
    if (options & SwFlowReceive) {
        Line_.Settings.fInX = true;
        Line_.Settings.XoffLim = static_cast<std::uint16_t>(InSize_ - bufferFull);
        Line_.Settings.XonLim = static_cast<std::uint16_t>(resume);
        Line_.Settings.XonChar = 17;
        Line_.Settings.XoffChar = 19;
    }
    if (options & SwFlowTransmit) {
        Line_.Settings.fOutX = true;
        Line_.Settings.XonChar = 17;
        Line_.Settings.XoffChar = 19;
    }
    return WriteLineSettings(Line_.Settings);
}

TSioResult TSioDispatcherLine::DisableSoftwareFlow() {
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(Line_.Settings);
    Line_.Settings.fInX = false;
    Line_.Settings.fOutX = false;
    return WriteLineSettings(Line_.Settings);
}

TSioResult TSioDispatcherLine::ApplyFlowChars(std::uint8_t xon, std::uint8_t xoff) {
    std::lock_guard lock(StateLock_);
    ReadDeviceSettings(Line_.Settings);
    Line_.Settings.XonChar = xon;
    Line_.Settings.XoffChar = xoff;
    return WriteLineSettings(Line_.Settings);
}

TSioFlowQuery TSioDispatcherLine::QueryFlow() {
    std::lock_guard lock(StateLock_);
    TSioFlowQuery query;
    query.Result = ReadDeviceSettings(Line_.Settings);
    if (Line_.Settings.fDtrControl == TSioLineControl::Handshake)
        query.Hardware |= HwFlowUseDtr;
    if (Line_.Settings.fRtsControl == TSioLineControl::Handshake ||
        Line_.Settings.fRtsControl == TSioLineControl::Toggle)
        query.Hardware |= HwFlowUseRts;
    if (Line_.Settings.fOutxDsrFlow)
        query.Hardware |= HwFlowRequireDsr;
    if (Line_.Settings.fOutxCtsFlow)
        query.Hardware |= HwFlowRequireCts;
    if (Line_.Settings.fInX)
        query.Software |= SwFlowReceive;
    if (Line_.Settings.fOutX)
        query.Software |= SwFlowTransmit;
    query.XonChar = Line_.Settings.XonChar;
    query.XoffChar = Line_.Settings.XoffChar;
    return query;
}

std::int32_t TSioDispatcherLine::TakeLineError() {
    std::lock_guard lock(StateLock_);
    return LineStatus_.TakeError();
}

bool TSioDispatcherLine::TakeLineBreak() {
    std::lock_guard lock(StateLock_);
    return LineStatus_.TakeBreak();
}

std::uint8_t TSioDispatcherLine::ModemBits() {
    std::lock_guard lock(StateLock_);
    return LineStatus_.ModemBits();
}

void TSioDispatcherLine::SetRs485(bool on) {
    std::lock_guard lock(StateLock_);
    Line_.Rs485 = on;
    ApplyWorkerPriorities();
}

void TSioDispatcherLine::SetPriorityBoost(std::uint8_t boost) {
    std::lock_guard lock(StateLock_);
    if (boost == Line_.PriorityBoost)
        return;
    Line_.PriorityBoost = boost;
    ApplyWorkerPriorities();
}

void TSioDispatcherLine::ResetLine(std::uint32_t inSize, std::uint32_t flags) {
    {
        std::lock_guard lock(StateLock_);
        InSize_ = inSize;
        LineStatus_.SetErrors(0);
        Line_.Rs485 = false;
        ReadDeviceSettings(Line_.Settings);
    }
    OutputSinceOpen_ = false;
    Line_.DtrByFlow = (flags & OpenDtrByFlow) != 0;
    if (!Line_.DtrByFlow)
        DriveDtr((flags & OpenDtrOn) != 0);
    Line_.RtsByFlow = (flags & OpenRtsByFlow) != 0;
    if (!Line_.RtsByFlow)
        DriveRts((flags & OpenRtsOn) != 0);
    std::lock_guard lock(StateLock_);
    LineStatus_.ResetModem();
    LineStatus_.Refresh(ReadModemLines(), 0xF0);
    LastRate_ = 115200;
}
