#pragma once
// Result codes of the serial layer.
//
// Every serial-layer operation returns a signed 32-bit result: zero or positive is success (often
// a count), negative is one of the codes below. A failed operating-system call is reported as
// minus errno (-2 ... -162 on this platform); -8 is kept as the layer's own out-of-memory code.

#include <cstdint>

using TSioResult = std::int32_t;

inline constexpr TSioResult ecOK = 0;
inline constexpr TSioResult ecOutOfMemory = -8;

// General.
inline constexpr TSioResult ecBadHandle = -1001;
inline constexpr TSioResult ecBadArgument = -1002;
inline constexpr TSioResult ecGotQuitMsg = -1003;
inline constexpr TSioResult ecBufferTooBig = -1004;
inline constexpr TSioResult ecPortNotAssigned = -1005;
inline constexpr TSioResult ecInternal = -1006;
inline constexpr TSioResult ecModemNotAssigned = -1007;
inline constexpr TSioResult ecPhonebookNotAssigned = -1008;
inline constexpr TSioResult ecCannotUseWithWinSock = -1009;

// Opening a port.
inline constexpr TSioResult ecBadId = -2001;
inline constexpr TSioResult ecBaudRate = -2002;
inline constexpr TSioResult ecByteSize = -2003;
inline constexpr TSioResult ecDefault = -2004;
inline constexpr TSioResult ecHardware = -2005;
inline constexpr TSioResult ecMemory = -2006;
inline constexpr TSioResult ecCommNotOpen = -2007;
inline constexpr TSioResult ecAlreadyOpen = -2008;
inline constexpr TSioResult ecNoHandles = -2009;
inline constexpr TSioResult ecNoTimers = -2010;
inline constexpr TSioResult ecNoPortSelected = -2011;
inline constexpr TSioResult ecNotOpenedByTapi = -2012;

// Serial I/O, trace and log.
inline constexpr TSioResult ecNullApi = -3001;
inline constexpr TSioResult ecNotSupported = -3002;
inline constexpr TSioResult ecRegisterHandlerFailed = -3003;
inline constexpr TSioResult ecPutBlockFail = -3004;
inline constexpr TSioResult ecGetBlockFail = -3005;
inline constexpr TSioResult ecOutputBufferTooSmall = -3006;
inline constexpr TSioResult ecBufferIsEmpty = -3007;
inline constexpr TSioResult ecTracingNotEnabled = -3008;
inline constexpr TSioResult ecLoggingNotEnabled = -3009;
inline constexpr TSioResult ecBaseAddressNotSet = -3010;

// Triggers.
inline constexpr TSioResult ecNoMoreTriggers = -5001;
inline constexpr TSioResult ecTriggerTooLong = -5002;
inline constexpr TSioResult ecBadTriggerHandle = -5003;

// Minus errno: the operating system's failures. -8 inside this range is ecOutOfMemory.
inline constexpr TSioResult ecFirstSystemError = -2;
inline constexpr TSioResult ecLastSystemError = -162;
