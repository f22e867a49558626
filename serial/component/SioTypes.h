#pragma once
// Value types of the serial port component's properties and events.

#include <cstdint>
#include <functional>
#include <initializer_list>

enum TDeviceLayer : std::uint8_t { dlWin32, dlWinsock };
enum TParity : std::uint8_t { pNone, pOdd, pEven, pMark, pSpace };
enum TSWFlowOptions : std::uint8_t { swfNone, swfReceive, swfTransmit, swfBoth };
enum TTraceLogState : std::uint8_t { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TTapiMode : std::uint8_t { tmNone, tmAuto, tmOn, tmOff };
enum TLinkState : std::uint8_t { lsClosed, lsClosing, lsOpen };

enum THWFlowOption : std::uint8_t { hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS };

// A set of THWFlowOption. Mask() is the dispatcher's option word: hwfUseDTR 1, hwfUseRTS 2,
// hwfRequireDSR 4, hwfRequireCTS 8.
class THWFlowOptions {
public:
    constexpr THWFlowOptions() = default;
    constexpr THWFlowOptions(std::initializer_list<THWFlowOption> options) {
        for (THWFlowOption option : options)
            Bits_ |= Bit(option);
    }
    constexpr bool Contains(THWFlowOption option) const { return (Bits_ & Bit(option)) != 0; }
    constexpr bool Empty() const { return Bits_ == 0; }
    constexpr std::uint8_t Mask() const { return Bits_; }
    constexpr THWFlowOptions With(THWFlowOption option) const {
        return FromMask(static_cast<std::uint8_t>(Bits_ | Bit(option)));
    }
    constexpr THWFlowOptions Without(THWFlowOption option) const {
        return FromMask(static_cast<std::uint8_t>(Bits_ & ~Bit(option)));
    }
    static constexpr THWFlowOptions FromMask(std::uint8_t mask) {
        THWFlowOptions result;
        result.Bits_ = mask & 0x0F;
        return result;
    }
    friend constexpr bool operator==(THWFlowOptions, THWFlowOptions) = default;

private:
    static constexpr std::uint8_t Bit(THWFlowOption option) {
        return static_cast<std::uint8_t>(1u << option);
    }
    std::uint8_t Bits_ = 0;
};

class TSioCustomComPort;

// Every handler receives the component first (the Sender / CP argument).
using TSioNotifyEvent = std::function<void(TSioCustomComPort& Sender)>;
using TTriggerEvent = std::function<void(TSioCustomComPort& CP, std::uint16_t Msg,
                                         std::uint16_t TriggerHandle, std::uint16_t Data)>;
using TTriggerAvailEvent = std::function<void(TSioCustomComPort& CP, std::uint16_t Count)>;
using TTriggerDataEvent = std::function<void(TSioCustomComPort& CP, std::uint16_t TriggerHandle)>;
using TTriggerStatusEvent = std::function<void(TSioCustomComPort& CP, std::uint16_t TriggerHandle)>;
using TTriggerTimerEvent = std::function<void(TSioCustomComPort& CP, std::uint16_t TriggerHandle)>;
using TTriggerLineErrorEvent =
    std::function<void(TSioCustomComPort& CP, std::uint16_t Error, bool LineBreak)>;
using TWaitCharEvent = std::function<void(TSioCustomComPort& CP, char C)>;
