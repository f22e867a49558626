#include "app/tonecheck/LimitsFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

TEST(LimitsFile, ShippedFileHoldsTheBuiltInDefaults) {
    std::ifstream file(SHIPPED_LIMITS_FILE);
    std::ostringstream text;
    text << file.rdbuf();
    const LoadedLimits loaded = ParseToneLimits(text.str(), "tone-limits.txt");
    EXPECT_EQ(loaded.messages, std::vector<std::string>{});
    EXPECT_EQ(loaded.limits, DefaultToneLimits());
}

TEST(LimitsFile, EachLineChangesItsEntryOrIsReportedAndIgnored) {
    using Check = bool (*)(const ToneLimits&);
    const struct {
        const char* line;
        const char* message; // empty: none
        Check holds;
    } cases[] = {
        {"standard zvei2: tone-ms=65 tone-tol-ms=12,5 # workshop's own", "",
         [](const ToneLimits& l) {
             return l.Of(ToneStandard::Zvei2).toneSeconds == 0.065 &&
                    l.Of(ToneStandard::Zvei2).toneToleranceSeconds == 0.0125 &&
                    l.Of(ToneStandard::Zvei1) == DefaultToneLimits().Of(ToneStandard::Zvei1);
         }},
        {"standard CCIR: repeated=no", "",
         [](const ToneLimits& l) { return !l.Of(ToneStandard::Ccir).repeated; }},
        {"calltone Tonruf II: lang-s=3", "",
         [](const ToneLimits& l) { return l.CallTone("Tonruf II")->longSeconds == 3.0; }},
        {"calltone Tonruf III: hz=2400", "",
         [](const ToneLimits& l) { return l.CallTone("Tonruf III")->frequencyHz == 2400.0; }},
        {"twotone Warten (max 5 sec) Weckruf: hz=2280+675 tol-hz=9+3", "",
         [](const ToneLimits& l) {
             const TwoTonePair* pair = l.PairFor("Warten (max 5 sec) Weckruf");
             return pair && pair->frequenciesHz == std::array<double, 2>{675, 2280} &&
                    pair->tolerancesHz == std::array<double, 2>{3, 9} && pair->delaySeconds == 5;
         }},
        {"twotone Probealarm: none", "",
         [](const ToneLimits& l) { return !l.PairFor("Probealarm") && l.PairFor("Feueralarm"); }},
        {"   # only a comment", "", [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        // Every bad line: one message with file, line and field; its entry keeps its values.
        {"standard ZVEI1: tone-ms=70 tone-tol-ms=abc",
         "field 'tone-tol-ms': 'abc' is not a number of at least 0",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard ZVEI1: tone-ms=50 pause-ms=-3",
         "field 'pause-ms': '-3' is not a number",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard ZVEI9: tone-ms=70", "field 'standard': 'ZVEI9' is no tone standard",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard EEA: repeated=maybe", "field 'repeated': 'maybe' is not yes or no",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard EEA: speed=3", "field 'speed': no such field here",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard EEA: tone-ms 40", "field 'tone-ms': expected FIELD=VALUE",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"calltone Tonruf X: kurz-s=1", "field 'hz': a call tone needs its frequency",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"twotone Warnung: hz=675", "field 'hz': '675' is not two numbers joined by '+'",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"twotone Warnung: hz=675+2280", "field 'tol-hz': a two-tone pair needs its tolerances",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"siren Feueralarm: hz=1+2", "field 'siren': no such kind",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard ZVEI1 tone-ms=70", "field 'standard': expected KIND NAME: FIELD=VALUE",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
    };
    for (const auto& c : cases) {
        const LoadedLimits loaded = ParseToneLimits(std::string("\n") + c.line + "\n", "limits.txt");
        if (*c.message) {
            ASSERT_EQ(loaded.messages.size(), 1u) << c.line;
            EXPECT_NE(loaded.messages[0].find(c.message), std::string::npos)
                << c.line << "\n" << loaded.messages[0];
            EXPECT_NE(loaded.messages[0].find("limits.txt:2: "), std::string::npos);
        } else {
            EXPECT_EQ(loaded.messages, std::vector<std::string>{}) << c.line;
        }
        EXPECT_TRUE(c.holds(loaded.limits)) << c.line;
    }
}

TEST(LimitsFile, TheFirstCandidateThatExistsIsRead) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("limits-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "second.txt") << "standard EEA: tone-ms=45\nstandard EEA: x\n";
    std::ofstream(folder / "third.txt") << "standard EEA: tone-ms=50\n";
    const LoadedLimits loaded =
        LoadToneLimits({folder / "first.txt", folder, folder / "second.txt", folder / "third.txt"});
    EXPECT_EQ(loaded.source, (folder / "second.txt").string());
    EXPECT_EQ(loaded.limits.Of(ToneStandard::Eea).toneSeconds, 0.045);
    EXPECT_EQ(loaded.messages.size(), 1u);
    const LoadedLimits none = LoadToneLimits({folder / "first.txt"});
    EXPECT_EQ(none.source, "");
    EXPECT_EQ(none.limits, DefaultToneLimits());
    std::filesystem::remove_all(folder);
}

} // namespace
