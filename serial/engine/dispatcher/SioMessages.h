#pragma once
// Window message numbers of the serial layer.
//
// A dispatcher announces unread bytes with MsgTriggerAvail: wParam is the number of unread bytes,
// the high 16 bits of lParam the dispatcher's index in the DispatcherRegistry. The other numbers
// belong to the component's own window and its dependents; the engine only sends MsgTriggerAvail.

#include <cstdint>

using TSioMessage = std::uint32_t;

inline constexpr TSioMessage MsgTriggerAvail = 0x7E01;
inline constexpr TSioMessage MsgTriggerData = 0x7E02;
inline constexpr TSioMessage MsgTriggerTimer = 0x7E03;
inline constexpr TSioMessage MsgTriggerStatus = 0x7E04;
inline constexpr TSioMessage MsgPortOpen = 0x7E08;
inline constexpr TSioMessage MsgPortClose = 0x7E09;
inline constexpr TSioMessage MsgPortClosing = 0x7E0A;

// The index travels in the high half of lParam, so indices fit in 16 bits.
inline constexpr std::intptr_t MakeNotifyLParam(std::int32_t registryIndex, std::uint16_t low) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(registryIndex) << 16) | low);
}
inline constexpr std::uint16_t RegistryIndexOfLParam(std::intptr_t lParam) {
    return static_cast<std::uint16_t>((static_cast<std::uintptr_t>(lParam) >> 16) & 0xFFFF);
}
