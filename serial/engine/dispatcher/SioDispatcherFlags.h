#pragma once
// The dispatcher's vocabulary: its option flags and bit masks, its time limits, and the small
// enumerations its operations and device operations take.

#include <chrono>
#include <cstdint>

// OpenPort option flags.
inline constexpr std::uint32_t OpenDtrOn = 1;
inline constexpr std::uint32_t OpenRtsOn = 2;
inline constexpr std::uint32_t OpenDtrByFlow = 16;
inline constexpr std::uint32_t OpenRtsByFlow = 32;

// ApplyHardwareFlow options.
inline constexpr std::uint32_t HwFlowUseDtr = 1;
inline constexpr std::uint32_t HwFlowUseRts = 2;
inline constexpr std::uint32_t HwFlowRequireDsr = 4;
inline constexpr std::uint32_t HwFlowRequireCts = 8;

// ApplySoftwareFlow options.
inline constexpr std::uint32_t SwFlowTransmit = 1;
inline constexpr std::uint32_t SwFlowReceive = 2;

// LineErrorBits.
inline constexpr std::uint32_t LineErrorRxOver = 1;
inline constexpr std::uint32_t LineErrorOverrun = 2;
inline constexpr std::uint32_t LineErrorParity = 4;
inline constexpr std::uint32_t LineErrorFrame = 8;
inline constexpr std::uint32_t LineErrorBreak = 16;

// Device event bits of a cycle's event mask.
inline constexpr std::uint32_t EvRxChar = 0x1;
inline constexpr std::uint32_t EvCts = 0x8;
inline constexpr std::uint32_t EvDsr = 0x10;
inline constexpr std::uint32_t EvRlsd = 0x20;
inline constexpr std::uint32_t EvBreak = 0x40;
inline constexpr std::uint32_t EvErr = 0x80;
inline constexpr std::uint32_t EvRing = 0x100;
inline constexpr std::uint32_t EvRingTrailingEdge = 0x2000;

inline constexpr std::chrono::milliseconds NotifySendTimeout{3000};
// A handler that runs longer than this hands the reading of the line over to a worker, so the
// ring goes on filling while handlers take long; a quicker one gives it back to the window's
// thread, where a reply costs no hand-over between threads.
inline constexpr std::chrono::microseconds HandOverBound{1000};

enum class TSioWorkerKind { Event = 0, Dispatch = 1, Output = 2 };

// What RefreshHandlerState is told about the owner's event handlers.
enum class TSioHandlerState { Recompute, OwnerHandles, OwnerHandlesNone };
// The modem-line changes the device layer makes on request.
enum class TSioLineFunction { RaiseRts, LowerRts, RaiseDtr, LowerDtr };
// Which of the device's queues a purge empties.
enum class TSioPurgeTarget { Output, Input };
