#pragma once
// The port component's line, flow-control and tuning properties: their defaults, the rules that
// tie them together (flow levels derived from the input size, RS-485 excluding RTS handshaking)
// and how each reaches an open dispatcher.
//
// A part of the component, which publishes these properties as its own. Belongs to the port's
// thread and takes no lock. While the port is closed or loading, setters only store; while it is
// open they apply at once, and a refusal raises through the port (the stored value stays where
// the dispatcher reports a refusal for the line itself).

#include "serial/component/SioComHost.h"
#include "serial/component/SioTypes.h"
#include "serial/engine/errors/SioResultCodes.h"

#include <cstdint>
#include <string>

class TSioComSettings {
public:
    explicit TSioComSettings(TSioComHost& host) : Host_(host) {}
    TSioComSettings(const TSioComSettings&) = delete;
    TSioComSettings& operator=(const TSioComSettings&) = delete;

    // Line.
    std::int32_t Baud() const { return Baud_; }
    void SetBaud(std::int32_t value);
    TParity Parity() const { return Parity_; }
    void SetParity(TParity value);
    std::uint16_t DataBits() const { return DataBits_; }
    void SetDataBits(std::uint16_t value);
    std::uint16_t StopBits() const { return StopBits_; }
    void SetStopBits(std::uint16_t value);
    std::uint16_t InSize() const { return InSize_; }
    void SetInSize(std::uint16_t value);
    std::uint16_t OutSize() const { return OutSize_; }
    void SetOutSize(std::uint16_t value);

    // Modem lines and flow control.
    bool DTR() const { return DTR_; }
    void SetDTR(bool value);
    bool RTS() const { return RTS_; }
    void SetRTS(bool value);
    THWFlowOptions HWFlowOptions() const { return HWFlowOptions_; }
    void SetHWFlowOptions(THWFlowOptions value);
    TSWFlowOptions SWFlowOptions() const { return SWFlowOptions_; }
    void SetSWFlowOptions(TSWFlowOptions value);
    char XOnChar() const { return XOnChar_; }
    void SetXOnChar(char value);
    char XOffChar() const { return XOffChar_; }
    void SetXOffChar(char value);
    std::uint16_t BufferFull() const { return BufferFull_; }
    void SetBufferFull(std::uint16_t value);
    std::uint16_t BufferResume() const { return BufferResume_; }
    void SetBufferResume(std::uint16_t value);

    // Tuning. The modem status shadow is always used on this platform: writing it is ignored.
    bool UseMSRShadow() const { return true; }
    void SetUseMSRShadow(bool) {}
    bool UseEventWord() const { return UseEventWord_; }
    void SetUseEventWord(bool value);
    std::uint16_t CommNotificationLevel() const { return CommNotificationLevel_; }
    void SetCommNotificationLevel(std::uint16_t value) { CommNotificationLevel_ = value; }
    bool RS485Mode() const { return RS485Mode_; }
    void SetRS485Mode(bool value);
    std::uint16_t AvailThreshold() const { return AvailThreshold_; }
    void SetAvailThreshold(std::uint16_t value);
    std::uint8_t PriorityBoost() const { return PriorityBoost_; }
    void SetPriorityBoost(std::uint8_t value);

protected:
    // Opens `path` on the dispatcher with the line, the queue sizes and the initial lines.
    TSioResult OpenDevice(TSioBaseDispatcher& dispatcher, const std::string& path) const;
    // Sends every setting a fresh dispatcher does not take from OpenDevice (under ForceApply).
    void ReplaySettings();

private:
    // True when a setter has nothing to do: the value is unchanged and no replay forces it.
    template <class T> bool Keeps(const T& current, const T& value) const {
        return value == current && !Host_.ForceApply();
    }
    // Stores a value a setter is to apply; false when there is nothing to do (Keeps).
    template <class T> bool Change(T& current, const T& value) {
        if (Keeps(current, value))
            return false;
        current = value;
        return true;
    }
    // Levels of 0, or beyond the buffer or the full level, become the flow mode's defaults.
    void DefaultFlowLevels(std::uint16_t full, std::uint16_t resume);
    void ApplyLineSettings();
    void ApplyQueueSizes();
    void ApplyFlowChars();
    void ReapplyFlowOptions();

    TSioComHost& Host_;
    std::int32_t Baud_ = 19200;
    TParity Parity_ = pNone;
    std::uint16_t DataBits_ = 8;
    std::uint16_t StopBits_ = 1;
    std::uint16_t InSize_ = 4096;
    std::uint16_t OutSize_ = 4096;
    bool DTR_ = true;
    bool RTS_ = true;
    THWFlowOptions HWFlowOptions_;
    TSWFlowOptions SWFlowOptions_ = swfNone;
    char XOnChar_ = 0x11;
    char XOffChar_ = 0x13;
    std::uint16_t BufferFull_ = 0;
    std::uint16_t BufferResume_ = 0;
    bool UseEventWord_ = true;
    std::uint16_t CommNotificationLevel_ = 10;
    bool RS485Mode_ = false;
    std::uint16_t AvailThreshold_ = 1;
    std::uint8_t PriorityBoost_ = 0;
};
