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

std::string_view KindName(HeardKind kind) {
    switch (kind) {
    case HeardKind::Sequence:
        return "sequence";
    case HeardKind::LongTone:
        return "long tone";
    case HeardKind::TwoTone:
        return "two-tone";
    }
    return "sequence";
}

std::string Text(const HeardSignal& signal, ToneStandard standard) {
    std::string line = Fixed(signal.startSeconds, 3) + " s: " + std::string(KindName(signal.kind));
    if (signal.kind == HeardKind::Sequence) {
        line += " " + signal.digits + " (" + std::string(DisplayName(standard)) + "), " +
                Fixed(signal.durationSeconds, 3) + " s, tones";
        for (std::size_t i = 0; i < signal.tones.size(); ++i)
            line += (i ? "/" : " ") + Fixed(signal.tones[i].seconds * 1000.0, 0);
        line += " ms at";
        for (std::size_t i = 0; i < signal.tones.size(); ++i)
            line += (i ? "/" : " ") + Fixed(signal.tones[i].frequencyHz, 1);
        return line + " Hz";
    }
    for (std::size_t i = 0; i < signal.frequenciesHz.size(); ++i)
        line += (i ? " + " : " ") + Fixed(signal.frequenciesHz[i], 1);
    line += " Hz, " + Fixed(signal.durationSeconds, 3) + " s";
    if (signal.kind == HeardKind::TwoTone)
        line += ", levels " + Fixed(signal.levelDifferenceDb, 1) + " dB apart";
    if (const std::string name = NameOfHeard(signal); !name.empty())
        line += ", \"" + name + "\"";
    return line;
}

std::string Json(const HeardSignal& signal, ToneStandard standard) {
    std::string object = "{\"start\":" + Fixed(signal.startSeconds, 3) +
                         ",\"kind\":" + JsonString(std::string(KindName(signal.kind))) +
                         ",\"duration\":" + Fixed(signal.durationSeconds, 3);
    if (signal.kind == HeardKind::Sequence) {
        object += ",\"standard\":" + JsonString(std::string(DisplayName(standard))) +
                  ",\"digits\":" + JsonString(signal.digits) + ",\"tones\":[";
        for (std::size_t i = 0; i < signal.tones.size(); ++i) {
            const MeasuredTone& tone = signal.tones[i];
            object += std::string(i ? "," : "") +
                      "{\"symbol\":" + JsonString(std::string(1, tone.symbol)) +
                      ",\"hz\":" + Fixed(tone.frequencyHz, 1) +
                      ",\"ms\":" + Fixed(tone.seconds * 1000.0, 1) +
                      ",\"start\":" + Fixed(tone.startSeconds, 3) +
                      ",\"gap_ms\":" + Fixed(tone.gapSeconds * 1000.0, 1) + "}";
        }
        object += "]";
    } else {
        object += ",\"frequencies\":" + JsonList(signal.frequenciesHz, 1) +
                  ",\"name\":" + JsonString(NameOfHeard(signal)) +
                  ",\"hz\":" + JsonList(signal.frequenciesHz, 1) +
                  ",\"ms\":" + Fixed(signal.durationSeconds * 1000.0, 1);
        if (signal.kind == HeardKind::TwoTone)
            object += ",\"level_difference_db\":" + Fixed(signal.levelDifferenceDb, 1);
    }
    return object + "}";
}

std::string_view LimitName(SheetLimit limit) {
    switch (limit) {
    case SheetLimit::AtLeast:
        return "at least";
    case SheetLimit::AtMost:
        return "at most";
    case SheetLimit::PlusMinus:
        break;
    }
    return "plus-minus";
}

// Seconds and hertz as measured, with the limit the value is held to.
std::string Json(const SheetValue& value) {
    return "{\"nominal\":" + Fixed(value.nominal, 4) + ",\"measured\":" + Fixed(value.measured, 4) +
           ",\"tolerance\":" + Fixed(value.tolerance, 4) +
           ",\"limit\":" + JsonString(std::string(LimitName(value.limit))) + "}";
}

std::string Json(const ReceiverReserve& reserve) {
    std::string unit = reserve.unit;
    unit.erase(0, unit.find_first_not_of(' '));
    return "{\"value\":" + Fixed(reserve.value, 4) + ",\"unit\":" + JsonString(unit) + "}";
}

std::string Json(const SheetLine& line) {
    std::string object = "{\"element\":" + JsonString(line.element);
    if (line.symbol != 0)
        object += ",\"symbol\":" + JsonString(std::string(1, line.symbol));
    if (line.frequency)
        object += ",\"hz\":" + Json(*line.frequency);
    if (line.length)
        object += ",\"seconds\":" + Json(*line.length);
    if (line.levelDifferenceDb)
        object += ",\"level_difference_db\":" + Fixed(*line.levelDifferenceDb, 1);
    std::string misses;
    for (const std::string& miss : line.misses)
        misses += (misses.empty() ? "" : ",") + JsonString(miss);
    object += ",\"ok\":" + std::string(line.misses.empty() ? "true" : "false") + ",\"misses\":[" +
              misses + "]";
    if (line.reserve)
        object += ",\"receiver_reserve\":" + Json(*line.reserve);
    return object + "}";
}

std::string Json(const ReceiverJudgement& receivers) {
    if (!receivers.judged)
        return "null";
    std::string reasons;
    for (const std::string& reason : receivers.reasons)
        reasons += (reasons.empty() ? "" : ",") + JsonString(reason);
    return "{\"react\":" + std::string(receivers.reacts ? "true" : "false") + ",\"reasons\":[" +
           reasons + "]" +
           (receivers.reserve ? ",\"reserve\":" + Json(*receivers.reserve) : std::string()) +
           ",\"text\":" + JsonString(ReceiverText(receivers)) + "}";
}

} // namespace

std::string FormatHeard(const HeardSignal& signal, ToneStandard standard, bool json) {
    return json ? Json(signal, standard) : Text(signal, standard);
}

std::string FormatVerdict(const AlarmJudgement& judgement, bool json) {
    if (!json)
        return VerdictLine(judgement);
    std::string misses;
    for (const std::string& miss : judgement.misses)
        misses += (misses.empty() ? "" : ",") + JsonString(miss);
    std::string sheet;
    for (const SheetLine& line : judgement.sheet)
        sheet += (sheet.empty() ? "" : ",") + Json(line);
    return "{\"kind\":\"verdict\",\"verdict\":" +
           JsonString(std::string(VerdictText(judgement.verdict))) + ",\"misses\":[" + misses +
           "],\"sheet\":[" + sheet + "],\"receivers\":" + Json(judgement.receivers) + "}";
}
