#pragma once
// The dispatcher's line settings record and the codes it uses.
//
// A plain value: rate, character format, and the flow-control fields the component's settings
// map onto. The device layer reads it from and writes it to the device; fields the device cannot
// hold (DTR handshake, DSR flow, the buffer levels) live on in the dispatcher's copy.

#include <cstdint>

// Parity codes as the component passes them.
inline constexpr std::uint8_t NoParity = 0;
inline constexpr std::uint8_t OddParity = 1;
inline constexpr std::uint8_t EvenParity = 2;
inline constexpr std::uint8_t MarkParity = 3;
inline constexpr std::uint8_t SpaceParity = 4;

// Stop-bit codes of the record (not the 1 / 2 the component passes).
inline constexpr std::uint8_t OneStopBit = 0;
inline constexpr std::uint8_t One5StopBits = 1;
inline constexpr std::uint8_t TwoStopBits = 2;

// "Keep the current value" arguments of ApplyLine.
inline constexpr std::uint32_t KeepBaud = 0;
inline constexpr std::uint8_t KeepParity = 5;
inline constexpr std::uint8_t KeepDataBits = 9;
inline constexpr std::uint8_t KeepStopBits = 3;

enum class TSioLineControl : std::uint8_t { Disable = 0, Enable = 1, Handshake = 2, Toggle = 3 };

struct TSioLineSettings {
    std::uint32_t BaudRate = 9600;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = NoParity;
    std::uint8_t StopBits = OneStopBit;
    TSioLineControl fDtrControl = TSioLineControl::Enable;
    TSioLineControl fRtsControl = TSioLineControl::Enable;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    bool fOutX = false;
    bool fInX = false;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t XonChar = 17;
    std::uint8_t XoffChar = 19;

    friend bool operator==(const TSioLineSettings&, const TSioLineSettings&) = default;
};

// What QueryLine reports: stop bits as 1 or 2.
struct TSioLineQuery {
    std::uint32_t Baud = 0;
    std::uint8_t Parity = NoParity;
    std::uint8_t DataBits = 8;
    std::uint8_t StopBits = 1;
};

// What QueryFlow reports. Hardware bits: 1 DTR handshake, 2 RTS handshake or toggle, 4 DSR
// required, 8 CTS required. Software bits: 1 transmit flow, 2 receive flow.
struct TSioFlowQuery {
    std::uint32_t Hardware = 0;
    std::uint32_t Software = 0;
    std::uint8_t XonChar = 17;
    std::uint8_t XoffChar = 19;
    std::int32_t Result = 0;
};

// The device status record: the output ring's usage. (What waits in the device's input queue is
// not asked for: reading it finds out.)
struct TSioDeviceStatus {
    std::uint32_t OutQueue = 0;
};

// The saved trigger state: this system keeps only the data-available threshold.
struct TSioTriggerState {
    std::uint32_t AvailThreshold = 0;
};
