// Which row each reply and heard signal belongs to, when a row is judged and when it is
// complete, as the alarms of a test session go out.

#include "app/testrecord/TestRecordBook.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace std::chrono_literals;
const TTestRecordBook::TTime Start{};

// Plays a session written as steps: "alarm SECONDS CODE" (tone input on), "quiet SECONDS CODE"
// (tone input off), "heard DIGITS", "off" (input switched off), "expire SECONDS".
// Returns the rows in the order they completed.
std::vector<std::size_t> Play(TTestRecordBook& book, const std::string& steps) {
    std::vector<std::size_t> completed;
    std::istringstream in(steps);
    for (std::string step; in >> step;) {
        int seconds = 0;
        std::string text;
        TTestRecordBook::TChange change;
        if (step == "alarm" || step == "quiet") {
            in >> seconds >> text;
            TAlarmSent alarm;
            alarm.Code = alarm.Expected = text;
            alarm.Listening = step == "alarm";
            change = book.AddAlarm(alarm, Start + std::chrono::seconds(seconds));
        } else if (step == "heard") {
            in >> text;
            change = book.AddHeard({HeardKind::Sequence, 0, 0.5, text, {}, {}, {}});
        } else if (step == "off")
            change = book.StopListening();
        else if (step == "expire") {
            in >> seconds;
            change = book.Expire(Start + std::chrono::seconds(seconds));
        }
        completed.insert(completed.end(), change.Completed.begin(), change.Completed.end());
    }
    return completed;
}

TEST(TestRecordBookTest, Sessions) {
    const struct {
        const char* Steps;
        std::vector<std::string> Verdicts;
        std::vector<std::size_t> Completed;
    } sessions[] = {
        // Judged at once, complete when the hearing window ends...
        {"alarm 0 12345 heard 12345 expire 9", {"stimmt"}, {}},
        // ... or when the next alarm goes out.
        {"alarm 0 12345 heard 12345 alarm 2 54321", {"stimmt", ""}, {0}},
        {"alarm 0 12345 expire 10", {"nichts gehört"}, {0}},
        // In order, an exact match to its own row, an alarm the encoder skipped left behind.
        {"alarm 0 11111 alarm 1 22222 alarm 2 33333 heard 22222 heard 33833 expire 10 expire 12",
         {"nichts gehört", "stimmt", "weicht ab (Stelle 3: 8 statt 3)"},
         {1, 0, 2}},
        {"quiet 0 12345 heard 12345 quiet 1 54321 expire 11", {"", ""}, {0, 1}},
        {"alarm 0 12345 alarm 1 54321 off expire 11", {"", ""}, {0, 1}},
    };
    for (const auto& session : sessions) {
        TTestRecordBook book;
        EXPECT_EQ(Play(book, session.Steps), session.Completed) << session.Steps;
        std::vector<std::string> verdicts;
        for (std::size_t row = 0; row < book.RowCount(); ++row)
            verdicts.push_back(book.Row(row).Verdict.Text);
        EXPECT_EQ(verdicts, session.Verdicts) << session.Steps;
    }
}

TEST(TestRecordBookTest, RepliesAndTonesFillTheirRows) {
    TTestRecordBook book;
    EXPECT_FALSE(book.NextDeadline());
    book.AddReply("ACK"); // before any alarm: nowhere to go
    Play(book, "alarm 0 12345");
    for (const char* reply : {"ACK", "ACK", "Träger ein", "Geber läuft", "Träger aus", "ACK"})
        book.AddReply(reply);
    book.AddHeard({HeardKind::LongTone, 0, 2.04, {}, {}, {1750.0}, 0.0});
    book.AddHeard({HeardKind::TwoTone, 0, 4.5, {}, {}, {700.2, 1499.6}, 0.0});
    Play(book, "heard 12345 alarm 1 54321");
    book.AddReply("NAK");
    EXPECT_EQ(RecordFields(book.Row(0))[rcReplies],
              "ACK, Träger ein, Geber läuft, Träger aus, ACK");
    EXPECT_EQ(RecordFields(book.Row(0))[rcHeard], "Tonruf I 2,0 s; 700+1500 Hz 4,5 s; 12345");
    EXPECT_EQ(book.NextDeadline(), Start + 11s);
    Play(book, "expire 11");
    book.AddReply("ACK"); // after the last row completed
    EXPECT_EQ(RecordFields(book.Row(1))[rcReplies], "NAK");
    EXPECT_FALSE(book.NextDeadline());
}

} // namespace
