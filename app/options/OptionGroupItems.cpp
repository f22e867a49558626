#include "app/options/OptionGroupItems.h"

#include <cstdio>

namespace {

std::vector<std::string> TextsAfter(std::string first, const std::vector<TNamedTone>& tones) {
    std::vector<std::string> texts{std::move(first)};
    for (const TNamedTone& tone : tones)
        texts.push_back(tone.Text);
    return texts;
}

// The call-tone items pad "Tonruf I" to the width of "Tonruf II" so the lengths line up.
std::string CallToneItem(const TNamedTone& callTone, const char* length) {
    std::string text = callTone.Text;
    text.resize(CallTones().back().Text.size(), ' ');
    return text + " " + length;
}

} // namespace

const std::vector<std::string>& FiveCharPreToneItems() {
    static const std::vector<std::string> items = [] {
        const TNamedTone& one = CallTones()[0];
        const TNamedTone& two = CallTones()[1];
        std::vector<std::string> result{"Ohne Tonruf",
                                        CallToneItem(one, "kurz"),
                                        CallToneItem(two, "kurz"),
                                        CallToneItem(one, "lang"),
                                        CallToneItem(two, "lang"),
                                        "Bandumschaltung"};
        for (std::size_t item = 1; item <= 4; ++item)
            result.push_back(result[item] + " und Bandumschaltung");
        return result;
    }();
    return items;
}

const std::vector<std::string>& AlarmTypeItems() {
    static const std::vector<std::string> items{"Feueralarm",
                                                "Probealarm",
                                                "Warnung",
                                                "ABC-Alarm",
                                                "Katastrophenalarm",
                                                "Entwarnung",
                                                "Sofortiger Weckruf",
                                                "Warten (max 5 sec) ohne Weckruf",
                                                "Ohne Weckruf",
                                                "Warten (max 5 sec) Weckruf"};
    return items;
}

const std::vector<std::string>& TapeItems() {
    static const std::vector<std::string> items{"Tonband ein", "Tonband aus"};
    return items;
}

const std::vector<std::string>& TenCharPreToneItems() {
    static const std::vector<std::string> items = TextsAfter("kein Vorton", PreTones());
    return items;
}

const std::vector<std::string>& TwoToneAlarmItems() {
    static const std::vector<std::string> items = TextsAfter("kein DT", TwoToneAlarms());
    return items;
}

const std::vector<TNamedTone>& PreTones() {
    // The letter tones a to z lie on one 30 Hz ladder from 367.5 Hz; the last tone stands apart.
    static const std::vector<TNamedTone> tones = [] {
        std::vector<TNamedTone> result;
        for (int step = 0; step < 26; ++step) {
            char text[32];
            const int tenthsOfHz = 3675 + 300 * step;
            std::snprintf(text, sizeof text, "%c (%d.%d Hz)", 'a' + step, tenthsOfHz / 10,
                          tenthsOfHz % 10);
            result.push_back({text, {tenthsOfHz / 10.0}});
        }
        result.push_back({"\xC3\xA4 (3000  Hz)", {3000.0}});
        return result;
    }();
    return tones;
}

const std::vector<TNamedTone>& CallTones() {
    static const std::vector<TNamedTone> tones{{"Tonruf I", {1750.0}}, {"Tonruf II", {2135.0}}};
    return tones;
}

const std::vector<TNamedTone>& TwoToneAlarms() {
    static const std::vector<TNamedTone> tones{{"675+825  (B)", {675.0, 825.0}},
                                               {"675+1010(A)", {675.0, 1010.0}},
                                               {"675+1240(E)", {675.0, 1240.0}},
                                               {"675+1860(D)", {675.0, 1860.0}},
                                               {"675+2280(C)", {675.0, 2280.0}}};
    return tones;
}
