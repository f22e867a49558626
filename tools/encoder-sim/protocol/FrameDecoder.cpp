#include "tools/encoder-sim/protocol/FrameDecoder.h"

#include "tools/encoder-sim/protocol/EncoderProtocol.h"

#include <algorithm>
#include <utility>

namespace EncoderSim {

namespace {

// Stray bytes are reported in pieces of this size at most, so a flood cannot grow one report.
constexpr std::size_t MaxStrayReport = 256;

bool StartsSomething(unsigned char byte) {
    return byte == Stx || byte == LineFeed || byte == PollFirst;
}

} // namespace

std::string_view RejectReasonName(TRejectReason reason) {
    switch (reason) {
    case TRejectReason::StrayBytes:
        return "stray-bytes";
    case TRejectReason::Truncated:
        return "truncated";
    case TRejectReason::BadChecksum:
        return "bad-checksum";
    case TRejectReason::Malformed:
        return "malformed";
    case TRejectReason::TooLong:
        break;
    }
    return "too-long";
}

std::vector<TDecoderEvent> TFrameDecoder::Feed(std::string_view bytes) {
    for (char c : bytes)
        Take(static_cast<unsigned char>(c));
    FlushStray();
    return std::exchange(Events_, {});
}

void TFrameDecoder::Take(unsigned char byte) {
    switch (State_) {
    case TState::Idle:
        TakeIdle(byte);
        break;
    case TState::PollStarted:
        if (byte == PollSecond) {
            Frame_.clear();
            State_ = TState::Idle;
            Emit(TPollRequest{});
        } else {
            Abandon(TRejectReason::StrayBytes, 1);
            Take(byte);
        }
        break;
    case TState::Stx:
        TakeStx(byte);
        break;
    case TState::TenChar:
        TakeTenChar(byte);
        break;
    }
}

void TFrameDecoder::TakeIdle(unsigned char byte) {
    if (byte == Stx)
        Start(TState::Stx, byte);
    else if (byte == LineFeed)
        Start(TState::TenChar, byte);
    else if (byte == PollFirst)
        Start(TState::PollStarted, byte);
    else
        AddStray(std::string(1, static_cast<char>(byte)));
}

void TFrameDecoder::Start(TState state, unsigned char byte) {
    State_ = state;
    Frame_.assign(1, static_cast<char>(byte));
}

void TFrameDecoder::TakeStx(unsigned char byte) {
    if (byte == Etx) {
        Frame_ += static_cast<char>(byte);
        State_ = TState::Idle;
        Emit(DecodeStxFrame(std::exchange(Frame_, {})));
        return;
    }
    // A poll request inside means the frame before it was cut short.
    if (byte == PollSecond && static_cast<unsigned char>(Frame_.back()) == PollFirst) {
        Abandon(TRejectReason::Truncated, Frame_.size() - 1);
        Take(byte);
        return;
    }
    if (byte == Stx || byte == LineFeed) {
        Abandon(TRejectReason::Truncated, Frame_.size());
        Take(byte);
        return;
    }
    Frame_ += static_cast<char>(byte);
    // Neither a code-list line nor a telegram holds a line end.
    if (byte == CarriageReturn)
        Abandon(TRejectReason::Truncated, Frame_.size());
    else if (Frame_.size() > MaxFixedCodeLength + 1)
        Abandon(TRejectReason::TooLong, Frame_.size());
}

void TFrameDecoder::TakeTenChar(unsigned char byte) {
    Frame_ += static_cast<char>(byte);
    std::vector<TTenCharLayout> complete;
    bool growing = false;
    std::size_t longestEnded = 0;
    for (const auto& layout : TenCharLayouts) {
        if (Completes(layout, Frame_))
            complete.push_back(layout);
        else if (Frame_.size() < layout.Length)
            growing = growing || PrefixFits(layout, Frame_);
        else if (PrefixFits(layout, std::string_view(Frame_).substr(0, layout.Length)))
            longestEnded = std::max(longestEnded, layout.Length);
    }
    if (!complete.empty()) {
        State_ = TState::Idle;
        Emit(DecodeTenCharFrame(std::exchange(Frame_, {}), complete));
        return;
    }
    if (growing)
        return;
    // A layout ended here or earlier with its terminator in place: only the checksum failed.
    if (longestEnded > 0) {
        Abandon(TRejectReason::BadChecksum, longestEnded);
        return;
    }
    std::size_t last = Frame_.size() - 1;
    if (last <= TenCharAlarmTypeOffset && IsFramingByte(byte)) {
        // An end byte belongs to the short frame; a start byte begins the next one.
        bool ends = byte == Etx || byte == CarriageReturn;
        Abandon(TRejectReason::Truncated, ends ? Frame_.size() : last);
        return;
    }
    // A start byte after the body may open the next frame, so scan again from there.
    auto next = std::find_if(Frame_.begin() + 1, Frame_.end(),
                             [](char c) { return StartsSomething(static_cast<unsigned char>(c)); });
    Abandon(TRejectReason::Malformed, static_cast<std::size_t>(next - Frame_.begin()));
}

void TFrameDecoder::Abandon(TRejectReason reason, std::size_t length) {
    std::string rest = Frame_.substr(length);
    Frame_.resize(length);
    State_ = TState::Idle;
    // A lone start byte is no frame worth a report of its own.
    if (Frame_.size() <= 1 || reason == TRejectReason::StrayBytes)
        AddStray(Frame_);
    else
        Emit(TRejectedFrame{reason, Frame_});
    Frame_.clear();
    for (char c : rest)
        Take(static_cast<unsigned char>(c));
}

void TFrameDecoder::AddStray(std::string_view bytes) {
    Stray_ += bytes;
    if (Stray_.size() >= MaxStrayReport)
        FlushStray();
}

void TFrameDecoder::Emit(TDecoderEvent event) {
    FlushStray();
    Events_.push_back(std::move(event));
}

void TFrameDecoder::FlushStray() {
    if (!Stray_.empty())
        Events_.push_back(TRejectedFrame{TRejectReason::StrayBytes, std::exchange(Stray_, {})});
}

} // namespace EncoderSim
