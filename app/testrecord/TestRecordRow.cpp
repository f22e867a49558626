#include "app/testrecord/TestRecordRow.h"

#include "app/tonecheck/MeasuredValues.h"
#include "app/tonecheck/ToneNames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string Joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty())
            joined += separator;
        joined += part;
    }
    return joined;
}

// German decimal comma, as the window's other numbers would be read.
std::string Decimal(double value, int places) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    std::string result(text);
    if (const std::size_t dot = result.find('.'); dot != std::string::npos)
        result[dot] = ',';
    return result;
}

std::string Frequencies(const std::vector<double>& frequenciesHz) {
    std::string text;
    for (const double hz : frequenciesHz) {
        if (!text.empty())
            text += '+';
        text += Decimal(std::round(hz), 0);
    }
    return text + " Hz";
}

} // namespace

const TRecordFields& RecordColumnTitles() {
    static const TRecordFields titles{"Zeit",     "Gebertyp",     "Code",      "Vorton",
                                      "Alarmart", "Telegramm",    "Antworten", "Gehört",
                                      "Ergebnis", "Abweichungen", "Messwerte", "Empfänger"};
    return titles;
}

TRecordFields RecordFields(const TTestRecordRow& row) {
    const TAlarmSent& alarm = row.Alarm;
    return {alarm.Time,
            alarm.EncoderType,
            alarm.Code,
            alarm.PreTone,
            alarm.AlarmType,
            alarm.TelegramHex,
            Joined(row.Replies, ", "),
            Joined(row.Heard, "; "),
            row.Verdict.Text,
            row.Verdict.Misses,
            MeasuredValuesText(row.Signals),
            row.Judgement ? ReceiverText(row.Judgement->Receivers) : std::string()};
}

std::string SheetField(const TTestRecordRow& row) {
    if (!row.Judgement)
        return {};
    std::string field;
    for (const TSheetRow& sheetRow : SheetRows(*row.Judgement)) {
        std::string line;
        for (const std::string& cell : sheetRow)
            line += (line.empty() ? "" : "\t") + cell;
        field += (field.empty() ? "" : "\n") + line;
    }
    return field;
}

std::vector<TSheetRow> SheetOfField(std::string_view field) {
    std::vector<TSheetRow> rows;
    while (!field.empty()) {
        const std::string_view line = field.substr(0, field.find('\n'));
        field.remove_prefix(std::min(field.size(), line.size() + 1));
        TSheetRow& row = rows.emplace_back();
        std::string_view rest = line;
        for (std::size_t column = 0; column < row.size() && !rest.empty(); ++column) {
            const std::string_view cell = rest.substr(0, rest.find('\t'));
            row[column] = std::string(cell);
            rest.remove_prefix(std::min(rest.size(), cell.size() + 1));
        }
    }
    return rows;
}

int TTestRecordRow::SequencesHeard() const {
    return static_cast<int>(std::count_if(Signals.begin(), Signals.end(), [](const auto& signal) {
        return signal.Kind == THeardKind::Sequence;
    }));
}

bool TTestRecordRow::TwoToneHeard() const {
    return std::any_of(Signals.begin(), Signals.end(),
                       [](const auto& signal) { return signal.Kind == THeardKind::TwoTone; });
}

TExpectedAlarm ExpectedOf(const TAlarmSent& alarm) {
    return {alarm.Standard, alarm.Expected, alarm.PreTone, alarm.AlarmType};
}

std::string HeardText(const THeardSignal& signal) {
    if (signal.Kind == THeardKind::Sequence)
        return NameOfSequence(signal);
    const std::string name = NameOfHeard(signal);
    const std::string what = name.empty() ? Frequencies(signal.FrequenciesHz) : name;
    return what + " " + Decimal(signal.DurationSeconds, 1) + " s";
}

std::string_view RecordedReply(TReplyKind reply) {
    switch (reply) {
    case TReplyKind::Ack:
        return "ACK";
    case TReplyKind::Nak:
        return "NAK";
    case TReplyKind::EncoderRunning:
        return "Geber läuft";
    case TReplyKind::CarrierLime:
        return "Träger ein";
    case TReplyKind::CarrierNeutral:
        return "Träger aus";
    case TReplyKind::Ignored:
        break;
    }
    return {};
}

void AddReplyTo(TTestRecordRow& row, std::string_view reply) {
    if (row.Replies.empty() || row.Replies.back() != reply)
        row.Replies.emplace_back(reply);
}
