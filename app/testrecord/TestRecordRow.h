#pragma once
// One row of the test record: an alarm that went out, what the encoder answered after it, what
// was heard on the tone input, and the verdict; with its columns as the window and the daily
// file show them.
//
// Plain values and pure functions; any thread. Texts are UTF-8.

#include "app/supervision/ReplyDecoding.h"
#include "app/testrecord/Verdict.h"
#include "app/tonecheck/AlarmJudge.h"
#include "app/tonecheck/MeasurementSheet.h"
#include "app/tones/HeardSignal.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An alarm as it was sent, described in the window's own words.
struct TAlarmSent {
    std::string Date;        // "2026-12-07", local
    std::string Time;        // "14:05:09", local
    std::string EncoderType; // as the type selector shows it
    std::string Code;        // as typed, or the fixed code list's entry
    std::string PreTone;     // the pre-tone group's item, empty when none applies
    std::string AlarmType;   // the alarm-type group's item, empty when none applies
    std::string TelegramHex; // "02 40 31 32 33 34 35 49 03"
    std::string Expected;    // the symbols the encoder should sound; empty when it sounds none
    bool Listening = false;  // whether a tone input was on when it went out
    bool Sent = true;        // false: the telegram never reached the encoder
    TToneStandard Standard = DefaultToneStandard; // the sequence standard listened for
    double HeardFrom = 0.0; // the tone input's clock (seconds) when it went out
    int Step = 0;           // its place in a test plan's run, from 1; 0 for a single alarm
};

// What the tone check expects of the alarm.
TExpectedAlarm ExpectedOf(const TAlarmSent& alarm);

struct TTestRecordRow {
    TAlarmSent Alarm;
    std::vector<std::string> Replies;  // in order, a reply repeated at once kept once
    std::vector<std::string> Heard;    // what was heard, in order, as the record names it
    std::vector<THeardSignal> Signals; // the same with what was measured of it
    TVerdict Verdict;
    // The judgement the verdict was made of, with its measurement sheet; none until judged.
    std::optional<TAlarmJudgement> Judgement;

    int SequencesHeard() const;
    bool TwoToneHeard() const;
};

enum TRecordColumn {
    rcTime,
    rcEncoderType,
    rcCode,
    rcPreTone,
    rcAlarmType,
    rcTelegram,
    rcReplies,
    rcHeard,
    rcVerdict,
    rcMisses,
    rcMeasured,
    rcReceivers,
    rcColumnCount
};

using TRecordFields = std::array<std::string, rcColumnCount>;

// "Zeit", "Gebertyp", "Code", "Vorton", "Alarmart", "Telegramm", "Antworten", "Gehört",
// "Ergebnis", "Abweichungen", "Messwerte", "Empfänger".
const TRecordFields& RecordColumnTitles();

TRecordFields RecordFields(const TTestRecordRow& row);

// The measurement sheet goes into the day's file as one more column after the record's, for the
// report: its rows one per line, their columns separated by tabs; empty when not judged.
inline constexpr std::string_view SheetColumnTitle{"Messblatt"};
std::string SheetField(const TTestRecordRow& row);
std::vector<TSheetRow> SheetOfField(std::string_view field);

// A test plan's alarms carry their step number in the last column; empty for a single alarm.
inline constexpr std::string_view StepColumnTitle{"Schritt"};

// A heard signal as the record names it: the symbols of a sequence ("unsicher (12345?)" when
// the decoder only guessed them), the name (or frequency) and length of a long tone or two-tone
// signal ("Tonruf I 2,0 s", "675+1240 Hz 4,5 s").
std::string HeardText(const THeardSignal& signal);

// A reply as the record names it ("ACK", "Träger ein", ...); empty for an ignored byte.
std::string_view RecordedReply(TReplyKind reply);
// The link watchdog running out counts as a reply of its own.
inline constexpr std::string_view LinkLostReply{"Verbindung unterbrochen"};

// Adds a reply unless it repeats the one before.
void AddReplyTo(TTestRecordRow& row, std::string_view reply);
