#pragma once
// One dispatch-log entry's header, and the types and subtypes the dispatcher records.
//
// An entry is this header followed by Length data bytes. In the log ring the header takes
// HeaderSize bytes in a fixed layout: type, subtype, two zero bytes, then time, value and length
// as 32-bit values in the machine's byte order.

#include <array>
#include <cstdint>

struct TSioLogHeader {
    std::uint8_t Type = 0;
    std::uint8_t Subtype = 0;
    std::uint32_t Time = 0; // milliseconds since the log's start time
    std::int32_t Value = 0;
    std::uint32_t Length = 0; // data bytes that follow

    static constexpr std::uint32_t HeaderSize = 16;
    using TBytes = std::array<std::uint8_t, HeaderSize>;

    TBytes Encode() const;
    static TSioLogHeader Decode(const TBytes& bytes);
};

// Types.
inline constexpr std::uint8_t sltDispatch = 1;
inline constexpr std::uint8_t sltTrigger = 2;
inline constexpr std::uint8_t sltThread = 4;
inline constexpr std::uint8_t sltTriggerAlloc = 5;
inline constexpr std::uint8_t sltTriggerDispose = 6;
inline constexpr std::uint8_t sltTriggerHandlerAlloc = 7;
inline constexpr std::uint8_t sltTriggerHandlerDispose = 8;
inline constexpr std::uint8_t sltTriggerDataChange = 9;
inline constexpr std::uint8_t sltTelnet = 10;
inline constexpr std::uint8_t sltUser = 19;

// Subtypes.
inline constexpr std::uint8_t slsNone = 0;
inline constexpr std::uint8_t slsReadCom = 1;
inline constexpr std::uint8_t slsWriteCom = 2;
inline constexpr std::uint8_t slsModemStatus = 4;
inline constexpr std::uint8_t slsAvail = 5;
inline constexpr std::uint8_t slsExit = 10;
inline constexpr std::uint8_t slsTriggerStatus = 15;
inline constexpr std::uint8_t slsTriggerAvail = 16;
inline constexpr std::uint8_t slsWindow = 17;
