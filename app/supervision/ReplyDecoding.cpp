#include "app/supervision/ReplyDecoding.h"

TReplyKind DecodeReplyByte(unsigned char byte) {
    switch (byte) {
    case 0x06:
        return TReplyKind::Ack;
    case 0x12:
        return TReplyKind::CarrierNeutral;
    case 0x14:
        return TReplyKind::CarrierLime;
    case 0x15:
        return TReplyKind::Nak;
    case 0x16:
        return TReplyKind::EncoderRunning;
    default:
        return TReplyKind::Ignored;
    }
}

void ApplyReply(TReplyKind reply, bool& lastReplyWasAck, int& linkWatchdog) {
    if (reply == TReplyKind::Ignored)
        return;
    if (reply == TReplyKind::Ack)
        lastReplyWasAck = true;
    else if (reply == TReplyKind::Nak)
        lastReplyWasAck = false;
    linkWatchdog = LinkWatchdogTicks;
}

bool WatchdogTickShowsBanner(int& linkWatchdog) {
    if (linkWatchdog > 0) {
        --linkWatchdog;
        return false;
    }
    return true;
}
