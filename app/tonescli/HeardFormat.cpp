#include "app/tonescli/HeardFormat.h"

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
        for (std::size_t i = 0; i < signal.toneSeconds.size(); ++i)
            line += (i ? "/" : " ") + Fixed(signal.toneSeconds[i] * 1000.0, 0);
        return line + " ms";
    }
    for (std::size_t i = 0; i < signal.frequenciesHz.size(); ++i)
        line += (i ? " + " : " ") + Fixed(signal.frequenciesHz[i], 1);
    line += " Hz, " + Fixed(signal.durationSeconds, 3) + " s";
    if (!signal.name.empty())
        line += ", \"" + signal.name + "\"";
    return line;
}

std::string Json(const HeardSignal& signal, ToneStandard standard) {
    std::string object = "{\"start\":" + Fixed(signal.startSeconds, 3) +
                         ",\"kind\":" + JsonString(std::string(KindName(signal.kind))) +
                         ",\"duration\":" + Fixed(signal.durationSeconds, 3);
    if (signal.kind == HeardKind::Sequence) {
        object += ",\"standard\":" + JsonString(std::string(DisplayName(standard))) +
                  ",\"digits\":" + JsonString(signal.digits) +
                  ",\"tones\":" + JsonList(signal.toneSeconds, 3);
    } else {
        object += ",\"frequencies\":" + JsonList(signal.frequenciesHz, 1) +
                  ",\"name\":" + JsonString(signal.name);
    }
    return object + "}";
}

} // namespace

std::string FormatHeard(const HeardSignal& signal, ToneStandard standard, bool json) {
    return json ? Json(signal, standard) : Text(signal, standard);
}
