#include "app/window/OptionGroupItems.h"

#include <cstdio>

const std::vector<std::string>& FiveCharPreToneItems() {
    static const std::vector<std::string> items{"Ohne Tonruf",
                                                "Tonruf I  kurz",
                                                "Tonruf II kurz",
                                                "Tonruf I  lang",
                                                "Tonruf II lang",
                                                "Bandumschaltung",
                                                "Tonruf I  kurz und Bandumschaltung",
                                                "Tonruf II kurz und Bandumschaltung",
                                                "Tonruf I  lang und Bandumschaltung",
                                                "Tonruf II lang und Bandumschaltung"};
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
    // The letter tones a to z lie on one 30 Hz ladder from 367.5 Hz; the last tone stands apart.
    static const std::vector<std::string> items = [] {
        std::vector<std::string> result{"kein Vorton"};
        for (int step = 0; step < 26; ++step) {
            char text[32];
            const int tenthsOfHz = 3675 + 300 * step;
            std::snprintf(text, sizeof text, "%c (%d.%d Hz)", 'a' + step, tenthsOfHz / 10,
                          tenthsOfHz % 10);
            result.emplace_back(text);
        }
        result.emplace_back("\xC3\xA4 (3000  Hz)");
        return result;
    }();
    return items;
}

const std::vector<std::string>& TwoToneAlarmItems() {
    static const std::vector<std::string> items{"kein DT",     "675+825  (B)", "675+1010(A)",
                                                "675+1240(E)", "675+1860(D)",  "675+2280(C)"};
    return items;
}
