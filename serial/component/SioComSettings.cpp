#include "serial/component/SioComSettings.h"

#include "serial/component/FlowThresholds.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/dispatcher/SioDispatcherFlags.h"

#include <algorithm>
#include <iterator>

namespace {

// The dispatcher's option bit that carries UseEventWord.
constexpr std::uint32_t EventWordOption = 4;

// The dispatcher's software flow bits of each TSWFlowOptions value, in the enumeration's order.
constexpr std::uint8_t SoftwareFlowCodes[] = {0, SwFlowReceive, SwFlowTransmit,
                                              SwFlowReceive | SwFlowTransmit};

std::uint8_t SoftwareFlowCode(TSWFlowOptions options) {
    return options < std::size(SoftwareFlowCodes) ? SoftwareFlowCodes[options] : 0;
}

// A 16-bit line setting as the dispatcher's byte. Out of range stays out of range, so the device
// refuses it rather than a wrapped value.
std::uint8_t ByteSetting(std::uint16_t value) {
    return static_cast<std::uint8_t>(std::min<std::uint16_t>(value, 255));
}

} // namespace

void TSioComSettings::SetBaud(std::int32_t value) {
    if (Change(Baud_, value))
        ApplyLineSettings();
}

void TSioComSettings::SetParity(TParity value) {
    if (Change(Parity_, value))
        ApplyLineSettings();
}

void TSioComSettings::SetDataBits(std::uint16_t value) {
    if (Change(DataBits_, value))
        ApplyLineSettings();
}

void TSioComSettings::SetStopBits(std::uint16_t value) {
    if (Change(StopBits_, value))
        ApplyLineSettings();
}

void TSioComSettings::ApplyLineSettings() {
    if (TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher())
        Host_.Check(dispatcher->ApplyLine(static_cast<std::uint32_t>(Baud_), Parity_,
                                          ByteSetting(DataBits_), ByteSetting(StopBits_)));
}

void TSioComSettings::SetInSize(std::uint16_t value) {
    if (Change(InSize_, value))
        ApplyQueueSizes();
}

void TSioComSettings::SetOutSize(std::uint16_t value) {
    if (Change(OutSize_, value))
        ApplyQueueSizes();
}

void TSioComSettings::ApplyQueueSizes() {
    // The device may keep its own queue sizes; the rings keep theirs until the next open.
    if (TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher())
        dispatcher->ApplyQueueSizes(InSize_, OutSize_);
}

void TSioComSettings::SetDTR(bool value) {
    if (Keeps(DTR_, value))
        return;
    // The dispatcher answers 1 when flow control owns the line; then the setting stays.
    TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher();
    if (!dispatcher || Host_.Check(dispatcher->DriveDtr(value)) == 0)
        DTR_ = value;
}

void TSioComSettings::SetRTS(bool value) {
    if (Keeps(RTS_, value))
        return;
    TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher();
    if (!dispatcher || Host_.Check(dispatcher->DriveRts(value)) == 0)
        RTS_ = value;
}

void TSioComSettings::SetHWFlowOptions(THWFlowOptions value) {
    if (Keeps(HWFlowOptions_, value))
        return;
    if (!value.Empty())
        DefaultFlowLevels(HardwareFullLevel(InSize_), HardwareResumeLevel(InSize_));
    if (TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher())
        Host_.Check(dispatcher->ApplyHardwareFlow(BufferFull_, BufferResume_, value.Mask()));
    HWFlowOptions_ = value;
    if (value.Contains(hwfUseRTS) || value.Contains(hwfRequireCTS))
        SetRS485Mode(false);
}

void TSioComSettings::SetSWFlowOptions(TSWFlowOptions value) {
    if (Keeps(SWFlowOptions_, value))
        return;
    const std::uint8_t code = SoftwareFlowCode(value);
    if (code != 0)
        DefaultFlowLevels(SoftwareFullLevel(InSize_), SoftwareResumeLevel(InSize_));
    if (TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher())
        Host_.Check(code != 0 ? dispatcher->ApplySoftwareFlow(BufferFull_, BufferResume_, code)
                              : dispatcher->DisableSoftwareFlow());
    SWFlowOptions_ = value;
}

void TSioComSettings::DefaultFlowLevels(std::uint16_t full, std::uint16_t resume) {
    if (BufferFull_ == 0 || BufferFull_ > InSize_)
        BufferFull_ = full;
    if (BufferResume_ == 0 || BufferResume_ > BufferFull_)
        BufferResume_ = resume;
}

void TSioComSettings::SetXOnChar(char value) {
    if (Change(XOnChar_, value))
        ApplyFlowChars();
}

void TSioComSettings::SetXOffChar(char value) {
    if (Change(XOffChar_, value))
        ApplyFlowChars();
}

void TSioComSettings::ApplyFlowChars() {
    if (TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher())
        Host_.Check(dispatcher->ApplyFlowChars(static_cast<std::uint8_t>(XOnChar_),
                                               static_cast<std::uint8_t>(XOffChar_)));
}

void TSioComSettings::SetBufferFull(std::uint16_t value) {
    if (Keeps(BufferFull_, value))
        return;
    BufferFull_ = value > InSize_ ? HardwareFullLevel(InSize_) : value;
    ReapplyFlowOptions();
}

void TSioComSettings::SetBufferResume(std::uint16_t value) {
    if (Keeps(BufferResume_, value))
        return;
    BufferResume_ = value > BufferFull_ ? HardwareResumeLevel(BufferFull_) : value;
    ReapplyFlowOptions();
}

void TSioComSettings::ReapplyFlowOptions() {
    const auto force = Host_.ForcingApply();
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
}

void TSioComSettings::SetUseEventWord(bool value) {
    if (!Change(UseEventWord_, value))
        return;
    if (TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher()) {
        if (value)
            dispatcher->SetOptionBits(EventWordOption);
        else
            dispatcher->ClearOptionBits(EventWordOption);
    }
}

void TSioComSettings::SetRS485Mode(bool value) {
    if (!Change(RS485Mode_, value))
        return;
    if (TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher())
        dispatcher->SetRs485(value);
    if (value) {
        // The transmitter drives RTS itself, so RTS handshaking cannot stay.
        SetHWFlowOptions(HWFlowOptions_.Without(hwfUseRTS).Without(hwfRequireCTS));
        SetRTS(false);
    }
}

void TSioComSettings::SetAvailThreshold(std::uint16_t value) {
    TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher();
    if (Change(AvailThreshold_, value) && dispatcher)
        dispatcher->SetAvailThreshold(value);
}

void TSioComSettings::SetPriorityBoost(std::uint8_t value) {
    TSioBaseDispatcher* dispatcher = Host_.ApplyingDispatcher();
    if (Change(PriorityBoost_, value) && dispatcher)
        dispatcher->SetPriorityBoost(value);
}

TSioResult TSioComSettings::OpenDevice(TSioBaseDispatcher& dispatcher,
                                       const std::string& path) const {
    std::uint32_t flags = 0;
    if (DTR_)
        flags |= OpenDtrOn;
    if (RTS_)
        flags |= OpenRtsOn;
    if (HWFlowOptions_.Contains(hwfUseDTR))
        flags |= OpenDtrByFlow;
    if (HWFlowOptions_.Contains(hwfUseRTS))
        flags |= OpenRtsByFlow;
    return dispatcher.OpenPort(path, static_cast<std::uint32_t>(Baud_), Parity_,
                               ByteSetting(DataBits_), ByteSetting(StopBits_), InSize_, OutSize_,
                               flags);
}

void TSioComSettings::ReplaySettings() {
    const auto force = Host_.ForcingApply();
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
    SetXOnChar(XOnChar_);
    SetXOffChar(XOffChar_);
    SetAvailThreshold(AvailThreshold_);
    SetDTR(DTR_);
    SetRTS(RTS_);
    SetUseEventWord(UseEventWord_);
    SetRS485Mode(RS485Mode_);
    SetPriorityBoost(PriorityBoost_);
}
