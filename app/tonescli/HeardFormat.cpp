#include "app/tonescli/HeardFormat.h"

#include "app/tonecheck/ToneNames.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string JsonList(const std::vector<double>& values, int decimals) {
    std::string list = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        list += (i ? "," : "") + Fixed(values[i], decimals);
    return list + "]";
}

std::string_view KindName(THeardKind kind) {
    switch (kind) {
    case THeardKind::Sequence:
        return "sequence";
    case THeardKind::LongTone:
        return "long tone";
    case THeardKind::TwoTone:
        return "two-tone";
    }
    return "sequence";
}

std::string Text(const THeardSignal& signal, TToneStandard standard) {
    std::string line = Fixed(signal.StartSeconds, 3) + " s: " + std::string(KindName(signal.Kind));
    if (signal.Kind == THeardKind::Sequence) {
        line += " " + NameOfSequence(signal) + " (" + std::string(DisplayName(standard)) + "), " +
                Fixed(signal.DurationSeconds, 3) + " s, tones";
        for (std::size_t i = 0; i < signal.Tones.size(); ++i)
            line += (i ? "/" : " ") + Fixed(signal.Tones[i].Seconds * 1000.0, 0);
        line += " ms at";
        for (std::size_t i = 0; i < signal.Tones.size(); ++i)
            line += (i ? "/" : " ") + Fixed(signal.Tones[i].FrequencyHz, 1);
        return line + " Hz, confidence " + Fixed(signal.ConfidenceDb, 1) + " dB";
    }
    for (std::size_t i = 0; i < signal.FrequenciesHz.size(); ++i)
        line += (i ? " + " : " ") + Fixed(signal.FrequenciesHz[i], 1);
    line += " Hz, " + Fixed(signal.DurationSeconds, 3) + " s";
    if (signal.Kind == THeardKind::TwoTone)
        line += ", levels " + Fixed(signal.LevelDifferenceDb, 1) + " dB apart";
    if (const std::string name = NameOfHeard(signal); !name.empty())
        line += ", \"" + name + "\"";
    return line;
}

std::string Json(const THeardSignal& signal, TToneStandard standard) {
    std::string object = "{\"start\":" + Fixed(signal.StartSeconds, 3) +
                         ",\"kind\":" + JsonString(std::string(KindName(signal.Kind))) +
                         ",\"duration\":" + Fixed(signal.DurationSeconds, 3);
    if (signal.Kind == THeardKind::Sequence) {
        object += ",\"standard\":" + JsonString(std::string(DisplayName(standard))) +
                  ",\"digits\":" + JsonString(signal.Digits) + ",\"tones\":[";
        for (std::size_t i = 0; i < signal.Tones.size(); ++i) {
            const TMeasuredTone& tone = signal.Tones[i];
            object += std::string(i ? "," : "") +
                      "{\"symbol\":" + JsonString(std::string(1, tone.Symbol)) +
                      ",\"hz\":" + Fixed(tone.FrequencyHz, 1) +
                      ",\"ms\":" + Fixed(tone.Seconds * 1000.0, 1) +
                      ",\"start\":" + Fixed(tone.StartSeconds, 3) +
                      ",\"gap_ms\":" + Fixed(tone.GapSeconds * 1000.0, 1) + "}";
        }
        object += "],\"confidence_db\":" + Fixed(signal.ConfidenceDb, 1) +
                  ",\"certain\":" + (signal.Certain ? "true" : "false");
    } else {
        object += ",\"frequencies\":" + JsonList(signal.FrequenciesHz, 1) +
                  ",\"name\":" + JsonString(NameOfHeard(signal)) +
                  ",\"hz\":" + JsonList(signal.FrequenciesHz, 1) +
                  ",\"ms\":" + Fixed(signal.DurationSeconds * 1000.0, 1);
        if (signal.Kind == THeardKind::TwoTone)
            object += ",\"level_difference_db\":" + Fixed(signal.LevelDifferenceDb, 1);
    }
    return object + "}";
}

std::string_view LimitName(TSheetLimit limit) {
    switch (limit) {
    case TSheetLimit::AtLeast:
        return "at least";
    case TSheetLimit::AtMost:
        return "at most";
    case TSheetLimit::PlusMinus:
        break;
    }
    return "plus-minus";
}

// Seconds and hertz as measured, with the limit the value is held to.
std::string Json(const TSheetValue& value) {
    return "{\"nominal\":" + Fixed(value.Nominal, 4) + ",\"measured\":" + Fixed(value.Measured, 4) +
           ",\"tolerance\":" + Fixed(value.Tolerance, 4) +
           ",\"limit\":" + JsonString(std::string(LimitName(value.Limit))) + "}";
}

std::string Json(const TReceiverReserve& reserve) {
    std::string unit = reserve.Unit;
    unit.erase(0, unit.find_first_not_of(' '));
    return "{\"value\":" + Fixed(reserve.Value, 4) + ",\"unit\":" + JsonString(unit) + "}";
}

std::string Json(const TSheetLine& line) {
    std::string object = "{\"element\":" + JsonString(line.Element);
    if (line.Symbol != 0)
        object += ",\"symbol\":" + JsonString(std::string(1, line.Symbol));
    if (line.Frequency)
        object += ",\"hz\":" + Json(*line.Frequency);
    if (line.Length)
        object += ",\"seconds\":" + Json(*line.Length);
    if (line.LevelDifferenceDb)
        object += ",\"level_difference_db\":" + Fixed(*line.LevelDifferenceDb, 1);
    if (line.ConfidenceDb)
        object += ",\"confidence_db\":" + Fixed(*line.ConfidenceDb, 1);
    std::string misses;
    for (const std::string& miss : line.Misses)
        misses += (misses.empty() ? "" : ",") + JsonString(miss);
    object += ",\"ok\":" + std::string(line.Misses.empty() ? "true" : "false") + ",\"misses\":[" +
              misses + "]";
    if (line.Reserve)
        object += ",\"receiver_reserve\":" + Json(*line.Reserve);
    return object + "}";
}

std::string Json(const TReceiverJudgement& receivers) {
    if (!receivers.Judged)
        return "null";
    std::string reasons;
    for (const std::string& reason : receivers.Reasons)
        reasons += (reasons.empty() ? "" : ",") + JsonString(reason);
    return "{\"react\":" + std::string(receivers.Reacts ? "true" : "false") + ",\"reasons\":[" +
           reasons + "]" +
           (receivers.Reserve ? ",\"reserve\":" + Json(*receivers.Reserve) : std::string()) +
           ",\"text\":" + JsonString(ReceiverText(receivers)) + "}";
}

} // namespace

std::string FormatHeard(const THeardSignal& signal, TToneStandard standard, bool json) {
    return json ? Json(signal, standard) : Text(signal, standard);
}

std::string FormatVerdict(const TAlarmJudgement& judgement, bool json) {
    if (!json)
        return VerdictLine(judgement);
    std::string misses;
    for (const std::string& miss : judgement.Misses)
        misses += (misses.empty() ? "" : ",") + JsonString(miss);
    std::string sheet;
    for (const TSheetLine& line : judgement.Sheet)
        sheet += (sheet.empty() ? "" : ",") + Json(line);
    return "{\"kind\":\"verdict\",\"verdict\":" +
           JsonString(std::string(VerdictText(judgement.Verdict))) + ",\"misses\":[" + misses +
           "],\"sheet\":[" + sheet + "],\"receivers\":" + Json(judgement.Receivers) + "}";
}
