#pragma once
// The encoder's side of the link as the window sees it: the poll request, what each reply byte
// means, and the rules that drive the send gate and the watchdog counter.
//
// Pure functions on plain values, no I/O and no Qt; any thread may call them. Nothing here can
// fail: an unknown reply byte decodes to TReplyKind::Ignored.

#include <string_view>

// Written as one block so that the encoder never sees half a request.
inline constexpr std::string_view PollRequest{"\x11\x05", 2};

// Watchdog ticks a recognised reply buys before the link counts as lost.
inline constexpr int LinkWatchdogTicks = 5;

enum class TReplyKind { Ignored, Ack, CarrierNeutral, CarrierLime, Nak, EncoderRunning };

TReplyKind DecodeReplyByte(unsigned char byte);

// Applies a decoded reply to the two supervision variables; an ignored byte touches neither.
void ApplyReply(TReplyKind reply, bool& lastReplyWasAck, int& linkWatchdog);

// One watchdog tick: counts the watchdog down and returns false while it was above 0, returns
// true (show the banner) once it has run out.
bool WatchdogTickShowsBanner(int& linkWatchdog);
