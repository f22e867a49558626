// Which row each reply and heard signal belongs to, when a row is judged and when it is
// complete, as the alarms of a test session go out.

#include "app/testrecord/TestRecordBook.h"

#include "app/testrecord/RecordCsv.h"
#include "app/testrecord/RecordFile.h"
#include "app/testrecord/TestSession.h"
#include "app/tones/ToneStandard.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace std::chrono_literals;
const TTestRecordBook::TTime Start{};

// A sequence as the decoder reports it: each tone at its nominal ZVEI1 frequency and length.
THeardSignal Sequence(const std::string& digits, double start) {
    const TToneTable& table = TableOf(TToneStandard::Zvei1);
    THeardSignal signal{THeardKind::Sequence, start, 0.0, digits, {}, {}, 0.0, 14.2};
    for (const char symbol : digits) {
        const double at = start + signal.DurationSeconds;
        const double hz = table.FrequencyHz[ToneSymbols.find(symbol)];
        signal.Tones.push_back({symbol, hz, at, table.ToneSeconds, 0.0});
        signal.DurationSeconds += table.ToneSeconds;
    }
    return signal;
}

// Plays a session written as steps: "alarm SECONDS CODE" (tone input on), "fire SECONDS CODE"
// (the same as a "Feueralarm", which has a two-tone pair), "quiet SECONDS CODE" (tone input
// off), "unsent SECONDS CODE" (it never reached the encoder), "heard DIGITS" (a sequence, the
// next one the usual pause later), "guess DIGITS" (the same, its symbols not certain), "pair"
// (the two-tone pair, when it is due), "reply TEXT", "off" (input switched off), "expire
// SECONDS"; a CODE of "-" carries no code.
// Returns the rows in the order they completed.
std::vector<std::size_t> Play(TTestRecordBook& book, const std::string& steps) {
    std::vector<std::size_t> completed;
    std::istringstream in(steps);
    double clock = 0.0; // when the next tone starts
    for (std::string step; in >> step;) {
        int seconds = 0;
        std::string text;
        TTestRecordBook::TChange change;
        if (step == "alarm" || step == "fire" || step == "quiet" || step == "unsent") {
            in >> seconds >> text;
            TAlarmSent alarm;
            alarm.Code = alarm.Expected = text == "-" ? "" : text;
            alarm.Listening = step != "quiet";
            alarm.Sent = step != "unsent";
            if (step == "fire")
                alarm.AlarmType = "Feueralarm";
            clock = seconds + 0.5;
            change = book.AddAlarm(alarm, Start + std::chrono::seconds(seconds));
        } else if (step == "reply") {
            in >> text;
            change = book.AddReply(text);
        } else if (step == "heard" || step == "guess") {
            in >> text;
            THeardSignal code = Sequence(text, clock);
            code.Certain = step == "heard";
            clock += code.DurationSeconds + 0.6;
            change = book.AddHeard(code);
        } else if (step == "pair") {
            change = book.AddHeard({THeardKind::TwoTone, clock + 4.4, 5.0, {}, {}, {675, 1240}, 0});
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
        // Judged once the code and its repeat are in, complete when the hearing window ends...
        {"alarm 0 12345 heard 12345 heard 12345 expire 9", {"stimmt"}, {}},
        // ... or when the next alarm goes out.
        {"alarm 0 12345 heard 12345 heard 12345 alarm 2 54321", {"stimmt", ""}, {0}},
        {"alarm 0 12345 expire 11", {"nichts gehört"}, {0}},
        {"alarm 0 12345 heard 12345 expire 11",
         {"weicht ab (keine Wiederholung des Codes gehört)"},
         {0}},
        // In order, an exact match to its own row, an alarm the encoder skipped left behind.
        {"alarm 0 11111 alarm 1 22222 alarm 2 33333 heard 22222 heard 22222 heard 33833 heard "
         "33833 expire 11 expire 13",
         {"nichts gehört", "stimmt", "weicht ab (Stelle 3: 8 statt 3)"},
         {1, 0, 2}},
        // A guess is no exact match: it stays in order, and never makes an alarm stimmt.
        {"alarm 0 11111 alarm 1 22222 guess 22222 guess 22222 expire 12",
         {"weicht ab (Code unsicher, keine Wiederholung des Codes gehört)", "nichts gehört"},
         {0, 1}},
        // A repeat belongs to its own code, not to the next alarm.
        {"alarm 0 11111 alarm 1 22222 heard 11111 heard 11111 heard 22222 heard 22222 expire 12",
         {"stimmt", "stimmt"},
         {0, 1}},
        // A two-tone pair the alarm type has is waited for, and missed when it does not come.
        {"fire 0 12345 heard 12345 heard 12345 pair alarm 9 54321", {"stimmt", ""}, {0}},
        {"fire 0 12345 heard 12345 heard 12345 expire 30",
         {"weicht ab (kein Doppelton 675+1240 Hz gehört)"},
         {0}},
        {"quiet 0 12345 heard 12345 quiet 1 54321 expire 12", {"", ""}, {0, 1}},
        {"alarm 0 12345 alarm 1 54321 off expire 12", {"", ""}, {0, 1}},
        // An alarm that did not go out is complete at once, and what follows is not its.
        {"alarm 0 12345 unsent 1 54321 heard 12345 heard 12345",
         {"stimmt", "nicht gesendet"},
         {1, 0}},
        // Without a code nothing is listened for, and nothing counts as missed.
        {"alarm 0 - heard 12345 expire 11", {"kein Code"}, {0}},
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
    book.AddHeard({THeardKind::LongTone, 0, 2.04, {}, {}, {1750.0}, 0.0});
    Play(book, "heard 12345 guess 12345");
    book.AddHeard({THeardKind::TwoTone, 7, 4.5, {}, {}, {700.2, 1499.6}, 0.0});
    Play(book, "alarm 1 54321");
    book.AddReply("NAK");
    EXPECT_EQ(RecordFields(book.Row(0))[rcReplies],
              "ACK, Träger ein, Geber läuft, Träger aus, ACK");
    EXPECT_EQ(RecordFields(book.Row(0))[rcHeard],
              "Tonruf I 2,0 s; 12345; unsicher (12345?); 700+1500 Hz 4,5 s");
    EXPECT_EQ(book.NextDeadline(), Start + 1s + 10950ms) << "ten seconds and the repeat";
    Play(book, "expire 12");
    book.AddReply("ACK"); // after the last row completed
    EXPECT_EQ(RecordFields(book.Row(1))[rcReplies], "NAK");
    EXPECT_FALSE(book.NextDeadline());
}

TEST(TestRecordBookTest, AnAlarmThatDidNotGoOutGetsNoReplies) {
    TTestRecordBook book;
    Play(book, "alarm 0 12345 reply ACK unsent 1 54321 reply ACK reply NAK");
    EXPECT_EQ(book.Row(0).Replies, std::vector<std::string>{"ACK"});
    EXPECT_TRUE(book.Row(1).Replies.empty());
}

TEST(TestRecordBookTest, ALongSessionHoldsOnlyTheRowsStillFilling) {
    TTestRecordBook book;
    for (int alarm = 0; alarm < 10'000; ++alarm) {
        Play(book, "quiet " + std::to_string(alarm) + " 12345");
        book.ReleaseCompleted();
    }
    EXPECT_EQ(book.RowCount(), 10'000u);
    EXPECT_THROW(book.Row(9'998), std::out_of_range);
    EXPECT_EQ(book.Row(9'999).Alarm.Code, "12345");
}

// A session judges each row once: the row's verdict, the file's line and the sheet in it all
// come from that one judgement, and a row reaches the file only once it is complete.
TEST(TestSessionTest, OneJudgementFromTheToneInputToTheFilesLine) {
    std::vector<std::string> lines;
    std::vector<std::string> order;
    TTestSession session(
        DefaultToneLimits(),
        [&](const std::string&, const TTestRecordRow& row) {
            lines.push_back(CsvLine(row));
            order.push_back("line");
            return std::optional<std::string>();
        },
        [&](const TTestRecordRow&) { order.push_back("picture"); });
    TAlarmSent alarm;
    alarm.Date = "2026-12-08";
    alarm.Code = alarm.Expected = "12345";
    alarm.Listening = true;
    EXPECT_TRUE(session.AlarmSent(alarm, Start).Completed.empty());
    session.Heard(Sequence("12345", 0.5));
    THeardSignal detuned = Sequence("12345", 1.45);
    detuned.Tones[1].FrequencyHz = 1180.0;
    const TTestSession::TUpdate update = session.Heard(detuned);
    EXPECT_TRUE(update.Completed.empty()) << "the newest row waits for the next alarm";
    EXPECT_TRUE(lines.empty());

    const TTestSession::TUpdate done = session.Expire(Start + 20s);
    ASSERT_EQ(done.Finished.size(), 1u);
    const TTestRecordRow& row = done.Finished[0];
    ASSERT_TRUE(row.Judgement);
    EXPECT_EQ(row.Verdict.Text, VerdictLine(*row.Judgement));
    EXPECT_EQ(row.Verdict.Text, "weicht ab (Wiederholung Ton 2: 1180 Hz statt 1160 Hz (+1,7 %))");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], CsvLine(row));
    EXPECT_NE(lines[0].find(";würden auslösen (Reserve "), std::string::npos) << lines[0];
    EXPECT_EQ(SheetOfField(SheetField(row)), SheetRows(*row.Judgement));
    EXPECT_EQ(SheetRows(*row.Judgement)[6][scMeasuredHz], "14,2 dB") << "the code's confidence";
    EXPECT_EQ(SheetRows(*row.Judgement)[9][scResult], "1180 Hz statt 1160 Hz (+1,7 %)")
        << "the repeat's second tone, after the code's five, its length, confidence and pause";
    EXPECT_FALSE(done.NextDeadline);
    EXPECT_EQ(order, (std::vector<std::string>{"picture", "line"}))
        << "whoever finds the row in the file finds its picture";
}

} // namespace
