#include "app/testplan/PlanRun.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// What happens to a run, one letter each: s the due alarm goes out (it must be due), - nothing
// is due, a ACK, n NAK, j its row is judged "stimmt", d "weicht ab", x "nicht gesendet",
// c its row completes without a verdict, L the carrier goes on, N off, w one second passes, l the
// link is lost, b it is back, p pause, r resume, q stop.
struct TRunCase {
    const char* Name;
    std::vector<int> Counts; // one step per count
    const char* Script;
    const char* Tally;
    int Rows; // alarms sent
    TPlanRun::TState End;
};

const TRunCase RunCases[] = {
    {"each alarm after the row before is judged",
     {1, 2},
     "s-a-j s-a-d s-aj-",
     "2 stimmt, 1 weicht ab",
     3,
     TPlanRun::TState::Finished},
    {"a row settled before its ACK still waits for it",
     {2},
     "sj-a-wwws-aj",
     "2 stimmt",
     2,
     TPlanRun::TState::Finished},
    {"the next alarm waits while the carrier is on",
     {2},
     "saLj-Ns-aj",
     "2 stimmt",
     2,
     TPlanRun::TState::Finished},
    {"a NAK sends the same alarm again after the wait",
     {1},
     "sn-w-ws-aj",
     "1 stimmt",
     2,
     TPlanRun::TState::Finished},
    {"without a verdict the settle time paces",
     {2},
     "s-a-ww-ws-awww-",
     "2 nicht beurteilt",
     2,
     TPlanRun::TState::Finished},
    {"a complete row without a verdict settles it",
     {1},
     "sa-c",
     "1 nicht beurteilt",
     1,
     TPlanRun::TState::Finished},
    {"an encoder that never answers has taken the alarm",
     {1},
     "s-wwwwwwwwww-wwww-",
     "1 nicht beurteilt",
     1,
     TPlanRun::TState::Finished},
    {"a link lost before the ACK sends again once it is back",
     {1},
     "sl-w-bs-aj",
     "1 stimmt",
     2,
     TPlanRun::TState::Finished},
    {"a link lost while judging waits for the row",
     {2},
     "sal-j-bsaj",
     "2 stimmt",
     2,
     TPlanRun::TState::Finished},
    {"an alarm not sent goes out again once the link is back",
     {1},
     "sx-w-bsaj",
     "1 stimmt",
     2,
     TPlanRun::TState::Finished},
    {"a pause holds the next alarm, not the one judging",
     {2},
     "sap-j-w-rsaj",
     "2 stimmt",
     2,
     TPlanRun::TState::Finished},
    {"a stop ends the run at once", {3}, "saq-j-", "", 1, TPlanRun::TState::Stopped},
    {"a plan without alarms is over before it starts", {}, "-", "", 0, TPlanRun::TState::Finished},
};

TEST(PlanRunTest, PacesEachAlarmByItsAnswerAndItsRow) {
    for (const TRunCase& c : RunCases) {
        TTestPlan plan{"Plan", {}};
        for (const int count : c.Counts)
            plan.Steps.push_back(TPlanStep{.Code = "12345", .Count = count});
        auto now = std::chrono::steady_clock::time_point{};
        TPlanRun run(plan, now);
        std::size_t row = 0;
        for (const char* at = c.Script; *at != '\0'; ++at) {
            const std::size_t inFlight = row - 1;
            switch (*at) {
            case 's':
                ASSERT_NE(run.Due(now), nullptr) << c.Name << " at " << at - c.Script;
                run.Sent(row++, now, 2.5);
                break;
            case '-':
                EXPECT_EQ(run.Due(now), nullptr) << c.Name << " at " << at - c.Script;
                break;
            case 'a':
                run.Reply(TReplyKind::Ack, now);
                break;
            case 'n':
                run.Reply(TReplyKind::Nak, now);
                break;
            case 'L':
                run.Reply(TReplyKind::CarrierLime, now);
                break;
            case 'N':
                run.Reply(TReplyKind::CarrierNeutral, now);
                break;
            case 'j':
                run.RowChanged(inFlight, TVerdictKind::Matches, false);
                break;
            case 'd':
                run.RowChanged(inFlight, TVerdictKind::Differs, false);
                break;
            case 'x':
                run.RowChanged(inFlight, TVerdictKind::NotSent, true);
                break;
            case 'c':
                run.RowChanged(inFlight, TVerdictKind::Open, true);
                break;
            case 'w':
                now += 1s;
                break;
            case 'l':
                run.LinkLost();
                break;
            case 'b':
                run.LinkBack();
                break;
            case 'p':
                run.Pause(now);
                break;
            case 'r':
                run.Resume(now);
                break;
            case 'q':
                run.Stop();
                break;
            }
        }
        EXPECT_EQ(run.TallyText(), c.Tally) << c.Name;
        EXPECT_EQ(run.Rows().size(), static_cast<std::size_t>(c.Rows)) << c.Name;
        EXPECT_EQ(run.State(), c.End) << c.Name;
    }
}

TEST(PlanRunTest, ProgressCountsAlarmsAndLeavesPausesOut) {
    const auto start = std::chrono::steady_clock::time_point{};
    TPlanRun run({"Dauertest", {TPlanStep{.Code = "12345", .Count = 4}}}, start);
    EXPECT_EQ(run.StepText(), "Schritt 1 von 4");
    EXPECT_FALSE(run.RemainingSeconds(start));
    run.Due(start);
    run.Sent(0, start, 30.0);
    run.Reply(TReplyKind::Ack, start);
    run.Pause(start + 5s);
    run.Resume(start + 65s);
    run.RowChanged(0, TVerdictKind::Matches, false);
    EXPECT_EQ(run.StepText(), "Schritt 2 von 4");
    EXPECT_DOUBLE_EQ(run.ElapsedSeconds(start + 70s), 10.0);
    EXPECT_DOUBLE_EQ(*run.RemainingSeconds(start + 70s), 30.0);
    EXPECT_EQ(DurationText(*run.RemainingSeconds(start + 70s)), "0:30");
    EXPECT_EQ(DurationText(3725.4), "1:02:05");
}

} // namespace
