#pragma once
// One run of a test plan: which alarm goes out next and when, so that no alarm goes out while
// the one before is still on the air or being judged.
//
// Every alarm of the plan is one "Schritt": a step sent Count times gives Count of them. After an
// alarm goes out the run waits for the encoder's ACK (a NAK, "Puffer voll": it waits
// NakRetrySeconds and sends the same alarm again; no answer within AckWaitSeconds counts as
// taken), then, never before that, for the alarm's record row to settle: judged, or complete (its
// hearing window passed), or, where no row will be judged or it settled before the ACK ("kein
// Code"), the settle time the caller gives (the encoder's transmit time). An alarm that did not
// reach the encoder ("nicht gesendet"), or whose ACK the link loss cut off, goes out again once the
// link is back: nothing is lost and nothing doubled. While the encoder reports its carrier on (it
// is still transmitting) no alarm goes out, for at most CarrierWaitSeconds: one it took meanwhile
// would wait in its buffer. The operator may pause, resume and stop; a stop ends the run at once,
// the row in flight is recorded as it ends.
//
// Time is passed in, so tests need no clock. One thread; nothing here throws.

#include "app/supervision/ReplyDecoding.h"
#include "app/testplan/TestPlan.h"
#include "app/testrecord/Verdict.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

inline constexpr double NakRetrySeconds = 2.0;
inline constexpr double AckWaitSeconds = 10.0;
inline constexpr double CarrierWaitSeconds = 60.0;

class TPlanRun {
public:
    using TTime = std::chrono::steady_clock::time_point;

    enum class TState {
        Ready,       // the next alarm may go out
        AwaitingAck, // sent; the encoder has not answered yet
        NakWait,     // refused; the same alarm goes out again later
        AwaitingRow, // taken; its row is not settled yet
        Finished,    // every alarm went out and settled
        Stopped,     // the operator ended it
    };

    TPlanRun(TTestPlan plan, TTime now);

    // The step whose alarm is to go out now; nothing while the run waits, is paused or is over.
    const TPlanStep* Due(TTime now);
    // The alarm of Due went out as record row `row`; `settleSeconds` after its ACK the row counts
    // as settled even when nothing settled it.
    void Sent(std::size_t row, TTime now, double settleSeconds);
    // What the encoder answered; any answer also says the link is back.
    void Reply(TReplyKind reply, TTime now);
    // A row of the record changed: its verdict kind now, and whether it is complete.
    void RowChanged(std::size_t row, TVerdictKind kind, bool complete);
    // Advances what waits on time: the ACK wait, the NAK wait, the settle time.
    void Tick(TTime now);

    void LinkLost();
    void LinkBack();
    void Pause(TTime now);
    void Resume(TTime now);
    void Stop();

    TState State() const { return State_; }
    bool Paused() const { return Paused_; }
    bool WaitsForLink() const { return LinkLost_; }
    bool Over() const { return State_ == TState::Finished || State_ == TState::Stopped; }
    const TTestPlan& Plan() const { return Plan_; }

    // The alarm in flight or next, counted from 1; at most Total().
    int Number() const;
    int Total() const { return Total_; }
    // "Schritt 7 von 24"
    std::string StepText() const;
    // Every alarm went out and was judged "stimmt".
    bool EveryAlarmMatched() const;
    // "6 stimmt, 1 weicht ab"; empty before the first alarm settles.
    std::string TallyText() const;
    // Seconds run so far, pauses left out.
    double ElapsedSeconds(TTime now) const;
    // What the alarms still to go should take, at the pace so far; none before the first settles.
    std::optional<double> RemainingSeconds(TTime now) const;
    // The record rows of the run's alarms, in the order sent.
    const std::vector<std::size_t>& Rows() const { return Rows_; }

private:
    void Settle(TVerdictKind kind);
    void SendAgainLater();
    // The ACK came, or its wait ran out.
    void Taken(TTime now);

    TTestPlan Plan_;
    int Total_ = 0;
    std::size_t Step_ = 0; // the step of the alarm in flight or next
    int Repetition_ = 0;   // of that step, counted from 0
    int Done_ = 0;         // alarms settled
    TState State_ = TState::Ready;
    bool Paused_ = false;
    bool LinkLost_ = false;
    std::optional<std::size_t> InFlight_;      // the row of the alarm awaiting its ACK or settling
    std::optional<TVerdictKind> SettledEarly_; // its row settled before the ACK came
    std::optional<TTime> CarrierUntil_;        // the carrier is on; waited for until then
    double SettleSeconds_ = 0.0;
    TTime Deadline_{};
    TTime Started_;
    TTime PausedAt_{};
    std::chrono::steady_clock::duration PausedFor_{};
    std::map<TVerdictKind, int> Tally_;
    std::vector<std::size_t> Rows_;
};

// "1:05:09" or "4:02": whole seconds, hours only where there are any.
std::string DurationText(double seconds);
