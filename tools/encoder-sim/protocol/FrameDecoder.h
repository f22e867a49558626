#pragma once
// Turns the byte stream from the program into poll requests, accepted frames and rejected
// frames, whatever the chunking of the reads.
//
// Frames: 0x02 ... 0x03 (five-character telegrams and fixed codes) and the ten-character
// telegrams 0x0A ... 0x0D, which are recognised by length and checksum. The decoder keeps at
// most one unfinished frame; when bytes cannot belong to any frame it rejects them and scans
// the rest again, so a garbled or truncated frame costs at most the frame itself. Bytes outside
// any frame are reported together as stray bytes once per Feed.
//
// One thread owns an instance; Feed never fails.

#include "tools/encoder-sim/protocol/DecodedFrame.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace EncoderSim {

enum class TRejectReason {
    StrayBytes,  // bytes outside any frame
    Truncated,   // a frame cut short by the start of the next or by an early end byte
    BadChecksum, // a ten-character frame whose checksum does not match
    Malformed,   // a ten-character frame with a byte where its layout allows none
    TooLong,     // a 0x02 frame without 0x03 within MaxFixedCodeLength bytes
};

struct TRejectedFrame {
    TRejectReason Reason = TRejectReason::StrayBytes;
    std::string Bytes;
};

struct TPollRequest {};

using TDecoderEvent = std::variant<TPollRequest, TDecodedFrame, TRejectedFrame>;

inline constexpr std::size_t MaxFixedCodeLength = 256;

class TFrameDecoder {
public:
    std::vector<TDecoderEvent> Feed(std::string_view bytes);

    // Bytes of an unfinished frame or poll request held for the next Feed.
    std::size_t PendingBytes() const { return Frame_.size(); }

private:
    enum class TState { Idle, PollStarted, Stx, TenChar };

    void Take(unsigned char byte);
    void TakeIdle(unsigned char byte);
    void TakeStx(unsigned char byte);
    void TakeTenChar(unsigned char byte);
    void Start(TState state, unsigned char byte);
    // Gives up the unfinished frame: bytes [0, length) are rejected, the rest is scanned again.
    void Abandon(TRejectReason reason, std::size_t length);
    void AddStray(std::string_view bytes);
    void Emit(TDecoderEvent event);
    void FlushStray();

    TState State_ = TState::Idle;
    std::string Frame_;
    std::string Stray_;
    std::vector<TDecoderEvent> Events_;
};

std::string_view RejectReasonName(TRejectReason reason);

} // namespace EncoderSim
