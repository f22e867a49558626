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
    : Port_(port), Previous_(port.ForceApply_) {
    Port_.ForceApply_ = true;
}

TSioCustomComPort::TForceApplyScope::~TForceApplyScope() {
    Port_.ForceApply_ = Previous_;
}

std::uint8_t TSioCustomComPort::ByteSetting(std::uint16_t value) {
    // Out of range stays out of range, so the device refuses it rather than a wrapped value.
    return static_cast<std::uint8_t>(std::min<std::uint16_t>(value, 255));
}

bool TSioCustomComPort::PortApplies() const {
    return LinkState_ == lsOpen && Dispatcher_ && !Loading();
}

TSioResult TSioCustomComPort::Check(TSioResult code) {
    return CheckResult(this, code);
}

void TSioCustomComPort::SetDeviceLayer(TDeviceLayer value) {
    if (value == DeviceLayer_ || LinkState_ != lsClosed || value != dlWin32)
        return;
    DeviceLayer_ = value;
    DeviceLayerChanged();
}

void TSioCustomComPort::SetBaud(std::int32_t value) {
    if (value == Baud_)
        return;
    Baud_ = value;
    ApplyLineSettings();
}

void TSioCustomComPort::SetParity(TParity value) {
    if (value == Parity_)
        return;
    Parity_ = value;
    ApplyLineSettings();
}

void TSioCustomComPort::SetDataBits(std::uint16_t value) {
    if (value == DataBits_)
        return;
    DataBits_ = value;
    ApplyLineSettings();
}

void TSioCustomComPort::SetStopBits(std::uint16_t value) {
    if (value == StopBits_)
        return;
    StopBits_ = value;
    ApplyLineSettings();
}

void TSioCustomComPort::ApplyLineSettings() {
    if (PortApplies())
        Check(Dispatcher_->ApplyLine(static_cast<std::uint32_t>(Baud_), Parity_,
                                     ByteSetting(DataBits_), ByteSetting(StopBits_)));
}

void TSioCustomComPort::SetInSize(std::uint16_t value) {
    if (value == InSize_)
        return;
    InSize_ = value;
    // The device may keep its own queue sizes; the rings keep theirs until the next open.
    if (PortApplies())
        Dispatcher_->ApplyQueueSizes(InSize_, OutSize_);
}

void TSioCustomComPort::SetOutSize(std::uint16_t value) {
    if (value == OutSize_)
        return;
    OutSize_ = value;
    if (PortApplies())
        Dispatcher_->ApplyQueueSizes(InSize_, OutSize_);
}

void TSioCustomComPort::SetDTR(bool value) {
    if (value == DTR_ && !ForceApply_)
        return;
    // The dispatcher answers 1 when flow control owns the line; then the setting stays.
    if (!PortApplies() || Check(Dispatcher_->DriveDtr(value)) == 0)
        DTR_ = value;
}

void TSioCustomComPort::SetRTS(bool value) {
    if (value == RTS_ && !ForceApply_)
        return;
    if (!PortApplies() || Check(Dispatcher_->DriveRts(value)) == 0)
        RTS_ = value;
}

void TSioCustomComPort::SetHWFlowOptions(THWFlowOptions value) {
    if (value == HWFlowOptions_ && !ForceApply_)
        return;
    if (!value.Empty()) {
        if (BufferFull_ == 0 || BufferFull_ > InSize_)
            BufferFull_ = HardwareFullLevel(InSize_);
        if (BufferResume_ == 0 || BufferResume_ > BufferFull_)
            BufferResume_ = HardwareResumeLevel(InSize_);
    }
    if (PortApplies())
        Check(Dispatcher_->ApplyHardwareFlow(BufferFull_, BufferResume_, value.Mask()));
    HWFlowOptions_ = value;
    if (value.Contains(hwfUseRTS) || value.Contains(hwfRequireCTS))
        SetRS485Mode(false);
}

void TSioCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
    if (value == SWFlowOptions_ && !ForceApply_)
        return;
    const std::uint8_t code = SoftwareFlowCode(value);
    if (code != 0) {
        if (BufferFull_ == 0 || BufferFull_ > InSize_)
            BufferFull_ = SoftwareFullLevel(InSize_);
        if (BufferResume_ == 0 || BufferResume_ > BufferFull_)
            BufferResume_ = SoftwareResumeLevel(InSize_);
    }
    if (PortApplies())
        Check(code != 0 ? Dispatcher_->ApplySoftwareFlow(BufferFull_, BufferResume_, code)
                        : Dispatcher_->DisableSoftwareFlow());
    SWFlowOptions_ = value;
}

void TSioCustomComPort::SetXOnChar(char value) {
    if (value == XOnChar_ && !ForceApply_)
        return;
    XOnChar_ = value;
    ApplyFlowChars();
}

void TSioCustomComPort::SetXOffChar(char value) {
    if (value == XOffChar_ && !ForceApply_)
        return;
    XOffChar_ = value;
    ApplyFlowChars();
}

void TSioCustomComPort::ApplyFlowChars() {
    if (PortApplies())
        Check(Dispatcher_->ApplyFlowChars(static_cast<std::uint8_t>(XOnChar_),
                                          static_cast<std::uint8_t>(XOffChar_)));
}

void TSioCustomComPort::SetBufferFull(std::uint16_t value) {
    if (value == BufferFull_ && !ForceApply_)
        return;
    BufferFull_ = value > InSize_ ? HardwareFullLevel(InSize_) : value;
    ReapplyFlowOptions();
}

void TSioCustomComPort::SetBufferResume(std::uint16_t value) {
    if (value == BufferResume_ && !ForceApply_)
        return;
    BufferResume_ = value > BufferFull_ ? HardwareResumeLevel(BufferFull_) : value;
    ReapplyFlowOptions();
}

void TSioCustomComPort::ReapplyFlowOptions() {
    TForceApplyScope force(*this);
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
}

void TSioCustomComPort::SetUseEventWord(bool value) {
    if (value == UseEventWord_ && !ForceApply_)
        return;
    UseEventWord_ = value;
    if (PortApplies()) {
        if (value)
            Dispatcher_->SetOptionBits(EventWordOption);
        else
            Dispatcher_->ClearOptionBits(EventWordOption);
    }
}

void TSioCustomComPort::SetCommNotificationLevel(std::uint16_t value) {
    CommNotificationLevel_ = value;
}

void TSioCustomComPort::SetRS485Mode(bool value) {
    if (value == RS485Mode_ && !ForceApply_)
        return;
    RS485Mode_ = value;
    if (PortApplies())
        Dispatcher_->SetRs485(value);
    if (value) {
        // The transmitter drives RTS itself, so RTS handshaking cannot stay.
        SetHWFlowOptions(HWFlowOptions_.Without(hwfUseRTS).Without(hwfRequireCTS));
        SetRTS(false);
    }
}

void TSioCustomComPort::SetAvailThreshold(std::uint16_t value) {
    if (value == AvailThreshold_ && !ForceApply_)
        return;
    AvailThreshold_ = value;
    if (PortApplies())
        Dispatcher_->SetAvailThreshold(value);
}

void TSioCustomComPort::SetPriorityBoost(std::uint8_t value) {
    if (value == PriorityBoost_ && !ForceApply_)
        return;
    PriorityBoost_ = value;
    if (PortApplies())
        Dispatcher_->SetPriorityBoost(value);
}
