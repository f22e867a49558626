// Which row each reply and heard signal belongs to, when a row is judged and when it is
// complete, as the alarms of a test session go out.

#include "app/testrecord/TestRecordBook.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class TSession {
public:
    void Alarm(std::chrono::seconds at, const char* expected, bool listening = true) {
        TAlarmSent alarm;
        alarm.Code = alarm.Expected = expected;
        alarm.Listening = listening;
        Note(Book.AddAlarm(alarm, Start_ + at));
    }
    void Reply(const char* reply) { Note(Book.AddReply(reply)); }
    void Sequence(const char* digits) { Heard({HeardKind::Sequence, 0, 0.5, digits, {}, {}, {}}); }
    void Heard(const HeardSignal& signal) { Note(Book.AddHeard(signal)); }
    void Expire(std::chrono::seconds at) { Note(Book.Expire(Start_ + at)); }
    void StopListening() { Note(Book.StopListening()); }
    std::string Column(std::size_t row, TRecordColumn column) const {
        return RecordFields(Book.Row(row))[column];
    }

    TTestRecordBook Book;
    std::vector<std::size_t> Completed;

private:
    void Note(const TTestRecordBook::TChange& change) {
        Completed.insert(Completed.end(), change.Completed.begin(), change.Completed.end());
    }
    const TTestRecordBook::TTime Start_{};
};

TEST(TestRecordBookTest, Sessions) {
    const struct {
        const char* Name;
        std::function<void(TSession&)> Steps;
        std::vector<std::string> Verdicts;
        std::vector<std::size_t> Completed;
    } sessions[] = {
        {"a matching sequence is judged at once, the row completes when its window ends",
         [](TSession& s) {
             s.Alarm(0s, "12345");
             s.Sequence("12345");
             s.Expire(9s);
         },
         {"stimmt"},
         {}},
        {"a settled row completes when the next alarm goes out",
         [](TSession& s) {
             s.Alarm(0s, "12345");
             s.Sequence("12345");
             s.Alarm(2s, "54321");
         },
         {"stimmt", ""},
         {0}},
        {"no sequence within the window",
         [](TSession& s) {
             s.Alarm(0s, "12345");
             s.Expire(10s);
         },
         {"nichts gehört"},
         {0}},
        {"sequences go to the oldest waiting row, an exact match to its own row",
         [](TSession& s) {
             s.Alarm(0s, "11111");
             s.Alarm(1s, "22222");
             s.Alarm(2s, "33333");
             s.Sequence("22222");
             s.Sequence("33833");
             s.Expire(10s);
             s.Expire(12s);
         },
         {"nichts gehört", "stimmt", "weicht ab (Stelle 3: 8 statt 3)"},
         {1, 0, 2}},
        {"with the tone input off nothing is judged and nothing heard is kept",
         [](TSession& s) {
             s.Alarm(0s, "12345", false);
             s.Sequence("12345");
             s.Alarm(1s, "54321", false);
             s.Expire(11s);
         },
         {"", ""},
         {0, 1}},
        {"switching the tone input off ends the waiting",
         [](TSession& s) {
             s.Alarm(0s, "12345");
             s.Alarm(1s, "54321");
             s.StopListening();
             s.Expire(11s);
         },
         {"", ""},
         {0, 1}},
    };
    for (const auto& session : sessions) {
        TSession s;
        session.Steps(s);
        std::vector<std::string> verdicts;
        for (std::size_t row = 0; row < s.Book.RowCount(); ++row)
            verdicts.push_back(s.Column(row, rcVerdict));
        EXPECT_EQ(verdicts, session.Verdicts) << session.Name;
        EXPECT_EQ(s.Completed, session.Completed) << session.Name;
    }
}

TEST(TestRecordBookTest, RepliesAndTonesFillTheirRows) {
    TSession s;
    EXPECT_FALSE(s.Book.NextDeadline());
    s.Reply("ACK"); // before any alarm: nowhere to go
    s.Alarm(0s, "12345");
    for (const char* reply : {"ACK", "ACK", "Träger ein", "Geber läuft", "Träger aus", "ACK"})
        s.Reply(reply);
    s.Heard({HeardKind::LongTone, 0, 2.04, {}, {}, {1750.0}, "Tonruf I"});
    s.Heard({HeardKind::TwoTone, 0, 4.5, {}, {}, {675.2, 1239.6}, {}});
    s.Sequence("12345");
    s.Alarm(1s, "54321");
    s.Reply("NAK");
    EXPECT_EQ(s.Column(0, rcReplies), "ACK, Träger ein, Geber läuft, Träger aus, ACK");
    EXPECT_EQ(s.Column(0, rcHeard), "Tonruf I 2,0 s; 675+1240 Hz 4,5 s; 12345");
    EXPECT_EQ(s.Column(1, rcReplies), "NAK");
    EXPECT_EQ(s.Book.NextDeadline(), TTestRecordBook::TTime{} + 11s);
    s.Expire(11s);
    s.Reply("ACK"); // after the last row completed
    EXPECT_EQ(s.Column(1, rcReplies), "NAK");
    EXPECT_FALSE(s.Book.NextDeadline());
}

} // namespace
