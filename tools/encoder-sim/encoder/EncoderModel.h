#pragma once
// The simulated encoder's behaviour, without I/O and without a clock of its own: an alarm buffer,
// a transmitter that sends one alarm at a time, the answers to polls and the fault modes.
//
// Every operation takes the present time and returns the bytes the encoder puts on the line at
// that moment (empty while it is silent); NextDeadline says when Advance must run next, and is
// empty while the transmitter is idle, so an idle encoder needs no timer. Notices for people
// (carrier on and off, falling silent) collect until TakeNotices.
//
// Not thread-safe: the owner serialises calls. Nothing here fails.

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace EncoderSim {

using TClock = std::chrono::steady_clock;
using TTime = TClock::time_point;

struct TFaultModes {
    bool Silent = false;  // never puts a byte on the line
    bool Nak = false;     // answers every poll with 0x15
    bool Garbage = false; // mixes meaningless bytes into everything it sends
    // Falls silent this long after the modes were set.
    std::optional<std::chrono::milliseconds> SilentAfter;

    bool operator==(const TFaultModes&) const = default;
};

struct TEncoderSettings {
    std::size_t BufferSize = 3; // alarms that may wait for the transmitter
    std::chrono::milliseconds TxTime{3000};
    TFaultModes Faults;
};

enum class TAlarmOutcome {
    Transmitting, // the transmitter was free and took it at once
    Buffered,     // it waits in the buffer
    Dropped,      // the buffer was full
};

struct TEncoderNotice {
    enum class TKind { CarrierOn, CarrierOff, FellSilent };
    TKind Kind;
    std::string Alarm; // what the transmitter sends, for CarrierOn
};

struct TEncoderStatus {
    std::size_t Waiting = 0;
    bool Transmitting = false;
};

class TEncoderModel {
public:
    TEncoderModel(const TEncoderSettings& settings, TTime now);

    std::string AnswerPoll(TTime now);
    // `alarm` names the accepted frame for notices.
    std::string TakeAlarm(std::string alarm, TTime now, TAlarmOutcome& outcome);
    // Ends a transmission whose time is up and starts the next waiting alarm.
    std::string Advance(TTime now);
    std::optional<TTime> NextDeadline() const;

    void SetFaults(const TFaultModes& faults, TTime now);
    const TFaultModes& Faults() const { return Faults_; }
    TEncoderStatus Status() const;
    std::vector<TEncoderNotice> TakeNotices();

private:
    void StartTransmission(std::string alarm, TTime now, std::string& out);
    void Send(unsigned char reply, TTime now, std::string& out);
    void AddGarbage(std::string& out);
    bool IsSilent(TTime now) const;

    std::size_t BufferSize_;
    std::chrono::milliseconds TxTime_;
    TFaultModes Faults_;
    std::optional<TTime> SilentFrom_;
    bool ToldSilent_ = false;
    std::deque<std::string> Waiting_;
    std::optional<TTime> TxEnd_;
    std::vector<TEncoderNotice> Notices_;
    std::minstd_rand Random_{0x5EED};
};

} // namespace EncoderSim
