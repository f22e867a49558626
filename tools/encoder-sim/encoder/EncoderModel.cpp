#include "tools/encoder-sim/encoder/EncoderModel.h"

#include "tools/encoder-sim/protocol/EncoderProtocol.h"

#include <utility>

namespace EncoderSim {

TEncoderModel::TEncoderModel(const TEncoderSettings& settings, TTime now)
    : BufferSize_(settings.BufferSize), TxTime_(settings.TxTime) {
    SetFaults(settings.Faults, now);
}

void TEncoderModel::SetFaults(const TFaultModes& faults, TTime now) {
    Faults_ = faults;
    SilentFrom_.reset();
    if (faults.SilentAfter)
        SilentFrom_ = now + *faults.SilentAfter;
    ToldSilent_ = false;
}

bool TEncoderModel::IsSilent(TTime now) const {
    return Faults_.Silent || (SilentFrom_ && now >= *SilentFrom_);
}

std::string TEncoderModel::AnswerPoll(TTime now) {
    std::string out;
    bool full = Waiting_.size() >= BufferSize_;
    Send(Faults_.Nak || full ? ReplyNak : ReplyAck, now, out);
    return out;
}

std::string TEncoderModel::TakeAlarm(std::string alarm, TTime now, TAlarmOutcome& outcome) {
    std::string out;
    if (!TxEnd_) {
        outcome = TAlarmOutcome::Transmitting;
        StartTransmission(std::move(alarm), now, out);
    } else if (Waiting_.size() < BufferSize_) {
        outcome = TAlarmOutcome::Buffered;
        Waiting_.push_back(std::move(alarm));
    } else {
        outcome = TAlarmOutcome::Dropped;
    }
    return out;
}

std::string TEncoderModel::Advance(TTime now) {
    std::string out;
    while (TxEnd_ && now >= *TxEnd_) {
        TTime ended = *TxEnd_;
        TxEnd_.reset();
        Send(ReplyCarrierOff, now, out);
        Notices_.push_back({TEncoderNotice::TKind::CarrierOff, {}});
        if (!Waiting_.empty()) {
            std::string next = std::move(Waiting_.front());
            Waiting_.pop_front();
            // The next alarm follows the last one without a gap, however late this call is.
            StartTransmission(std::move(next), ended, out);
        }
    }
    return out;
}

std::optional<TTime> TEncoderModel::NextDeadline() const {
    return TxEnd_;
}

TEncoderStatus TEncoderModel::Status() const {
    return {Waiting_.size(), TxEnd_.has_value()};
}

std::vector<TEncoderNotice> TEncoderModel::TakeNotices() {
    return std::exchange(Notices_, {});
}

void TEncoderModel::StartTransmission(std::string alarm, TTime now, std::string& out) {
    TxEnd_ = now + TxTime_;
    Notices_.push_back({TEncoderNotice::TKind::CarrierOn, std::move(alarm)});
    Send(ReplyCarrierOn, now, out);
    Send(ReplyEncoderRunning, now, out);
}

void TEncoderModel::Send(unsigned char reply, TTime now, std::string& out) {
    if (IsSilent(now)) {
        if (!Faults_.Silent && !ToldSilent_)
            Notices_.push_back({TEncoderNotice::TKind::FellSilent, {}});
        ToldSilent_ = true;
        return;
    }
    if (Faults_.Garbage)
        AddGarbage(out);
    out += static_cast<char>(reply);
    if (Faults_.Garbage)
        AddGarbage(out);
}

void TEncoderModel::AddGarbage(std::string& out) {
    std::uniform_int_distribution<int> count(1, 3);
    std::uniform_int_distribution<int> value(0, 255);
    for (int n = count(Random_); n > 0; --n) {
        unsigned char byte = 0;
        do {
            byte = static_cast<unsigned char>(value(Random_));
        } while (IsMeaningfulReply(byte));
        out += static_cast<char>(byte);
    }
}

} // namespace EncoderSim
