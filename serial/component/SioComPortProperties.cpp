// The component's settings: defaults, setters and how each reaches an open dispatcher.

#include "serial/component/FlowThresholds.h"
#include "serial/component/SioComPort.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <algorithm>

namespace {

// The dispatcher's option bit that carries UseEventWord.
constexpr std::uint32_t EventWordOption = 4;

std::uint8_t SoftwareFlowCode(TSWFlowOptions options) {
    switch (options) {
    case swfReceive:
        return SwFlowReceive;
    case swfTransmit:
        return SwFlowTransmit;
    case swfBoth:
        return SwFlowReceive | SwFlowTransmit;
    case swfNone:
        break;
    }
    return 0;
}

} // namespace

TSioCustomComPort::TForceApplyScope::TForceApplyScope(TSioCustomComPort& port)
    : FPort(port), FPrevious(port.FForceApply) {
    FPort.FForceApply = true;
}

TSioCustomComPort::TForceApplyScope::~TForceApplyScope() {
    FPort.FForceApply = FPrevious;
}

std::uint8_t TSioCustomComPort::ByteSetting(std::uint16_t value) {
    // Out of range stays out of range, so the device refuses it rather than a wrapped value.
    return static_cast<std::uint8_t>(std::min<std::uint16_t>(value, 255));
}

bool TSioCustomComPort::PortApplies() const {
    return FLinkState == lsOpen && FDispatcher && !Loading();
}

TSioResult TSioCustomComPort::Check(TSioResult code) {
    return CheckResult(this, code);
}

void TSioCustomComPort::SetDeviceLayer(TDeviceLayer value) {
    if (value == FDeviceLayer || FLinkState != lsClosed || value != dlWin32)
        return;
    FDeviceLayer = value;
    DeviceLayerChanged();
}

void TSioCustomComPort::SetBaud(std::int32_t value) {
    if (value == FBaud)
        return;
    FBaud = value;
    ApplyLineSettings();
}

void TSioCustomComPort::SetParity(TParity value) {
    if (value == FParity)
        return;
    FParity = value;
    ApplyLineSettings();
}

void TSioCustomComPort::SetDataBits(std::uint16_t value) {
    if (value == FDataBits)
        return;
    FDataBits = value;
    ApplyLineSettings();
}

void TSioCustomComPort::SetStopBits(std::uint16_t value) {
    if (value == FStopBits)
        return;
    FStopBits = value;
    ApplyLineSettings();
}

void TSioCustomComPort::ApplyLineSettings() {
    if (PortApplies())
        Check(FDispatcher->ApplyLine(static_cast<std::uint32_t>(FBaud), FParity,
                                     ByteSetting(FDataBits), ByteSetting(FStopBits)));
}

void TSioCustomComPort::SetInSize(std::uint16_t value) {
    if (value == FInSize)
        return;
    FInSize = value;
    // The device may keep its own queue sizes; the rings keep theirs until the next open.
    if (PortApplies())
        FDispatcher->ApplyQueueSizes(FInSize, FOutSize);
}

void TSioCustomComPort::SetOutSize(std::uint16_t value) {
    if (value == FOutSize)
        return;
    FOutSize = value;
    if (PortApplies())
        FDispatcher->ApplyQueueSizes(FInSize, FOutSize);
}

void TSioCustomComPort::SetDTR(bool value) {
    if (value == FDTR && !FForceApply)
        return;
    // The dispatcher answers 1 when flow control owns the line; then the setting stays.
    if (!PortApplies() || Check(FDispatcher->DriveDtr(value)) == 0)
        FDTR = value;
}

void TSioCustomComPort::SetRTS(bool value) {
    if (value == FRTS && !FForceApply)
        return;
    if (!PortApplies() || Check(FDispatcher->DriveRts(value)) == 0)
        FRTS = value;
}

void TSioCustomComPort::SetHWFlowOptions(THWFlowOptions value) {
    if (value == FHWFlowOptions && !FForceApply)
        return;
    if (!value.Empty()) {
        if (FBufferFull == 0 || FBufferFull > FInSize)
            FBufferFull = HardwareFullLevel(FInSize);
        if (FBufferResume == 0 || FBufferResume > FBufferFull)
            FBufferResume = HardwareResumeLevel(FInSize);
    }
    if (PortApplies())
        Check(FDispatcher->ApplyHardwareFlow(FBufferFull, FBufferResume, value.Mask()));
    FHWFlowOptions = value;
    if (value.Contains(hwfUseRTS) || value.Contains(hwfRequireCTS))
        SetRS485Mode(false);
}

void TSioCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
    if (value == FSWFlowOptions && !FForceApply)
        return;
    const std::uint8_t code = SoftwareFlowCode(value);
    if (code != 0) {
        if (FBufferFull == 0 || FBufferFull > FInSize)
            FBufferFull = SoftwareFullLevel(FInSize);
        if (FBufferResume == 0 || FBufferResume > FBufferFull)
            FBufferResume = SoftwareResumeLevel(FInSize);
    }
    if (PortApplies())
        Check(code != 0 ? FDispatcher->ApplySoftwareFlow(FBufferFull, FBufferResume, code)
                        : FDispatcher->DisableSoftwareFlow());
    FSWFlowOptions = value;
}

void TSioCustomComPort::SetXOnChar(char value) {
    if (value == FXOnChar && !FForceApply)
        return;
    FXOnChar = value;
    ApplyFlowChars();
}

void TSioCustomComPort::SetXOffChar(char value) {
    if (value == FXOffChar && !FForceApply)
        return;
    FXOffChar = value;
    ApplyFlowChars();
}

void TSioCustomComPort::ApplyFlowChars() {
    if (PortApplies())
        Check(FDispatcher->ApplyFlowChars(static_cast<std::uint8_t>(FXOnChar),
                                          static_cast<std::uint8_t>(FXOffChar)));
}

void TSioCustomComPort::SetBufferFull(std::uint16_t value) {
    if (value == FBufferFull && !FForceApply)
        return;
    FBufferFull = value > FInSize ? HardwareFullLevel(FInSize) : value;
    ReapplyFlowOptions();
}

void TSioCustomComPort::SetBufferResume(std::uint16_t value) {
    if (value == FBufferResume && !FForceApply)
        return;
    FBufferResume = value > FBufferFull ? HardwareResumeLevel(FBufferFull) : value;
    ReapplyFlowOptions();
}

void TSioCustomComPort::ReapplyFlowOptions() {
    TForceApplyScope force(*this);
    SetHWFlowOptions(FHWFlowOptions);
    SetSWFlowOptions(FSWFlowOptions);
}

void TSioCustomComPort::SetUseEventWord(bool value) {
    if (value == FUseEventWord && !FForceApply)
        return;
    FUseEventWord = value;
    if (PortApplies()) {
        if (value)
            FDispatcher->SetOptionBits(EventWordOption);
        else
            FDispatcher->ClearOptionBits(EventWordOption);
    }
}

void TSioCustomComPort::SetCommNotificationLevel(std::uint16_t value) {
    FCommNotificationLevel = value;
}

void TSioCustomComPort::SetRS485Mode(bool value) {
    if (value == FRS485Mode && !FForceApply)
        return;
    FRS485Mode = value;
    if (PortApplies())
        FDispatcher->SetRs485(value);
    if (value) {
        // The transmitter drives RTS itself, so RTS handshaking cannot stay.
        SetHWFlowOptions(FHWFlowOptions.Without(hwfUseRTS).Without(hwfRequireCTS));
        SetRTS(false);
    }
}

void TSioCustomComPort::SetAvailThreshold(std::uint16_t value) {
    if (value == FAvailThreshold && !FForceApply)
        return;
    FAvailThreshold = value;
    if (PortApplies())
        FDispatcher->SetAvailThreshold(value);
}

void TSioCustomComPort::SetPriorityBoost(std::uint8_t value) {
    if (value == FPriorityBoost && !FForceApply)
        return;
    FPriorityBoost = value;
    if (PortApplies())
        FDispatcher->SetPriorityBoost(value);
}
