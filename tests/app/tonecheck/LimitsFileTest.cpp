#include "app/tonecheck/LimitsFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
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
        std::string line;
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
         "field 'tone-tol-ms': 'abc' is not a number from 1 to 500",
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
        // Values that would make the check meaningless; both ends of the ranges pass.
        {"standard ZVEI1: tone-ms=10 tone-tol-ms=1 freq-tol-pct=0,1 code-tol-ms=1 pause-ms=10000",
         "", [](const ToneLimits& l) { return l.Of(ToneStandard::Zvei1).toneSeconds == 0.01; }},
        {"standard ZVEI1: tone-ms=0", "field 'tone-ms': '0' is not a number from 10 to 1000",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard CCIR: freq-tol-pct=99999", "'99999' is not a number from 0.1 to 10",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"calltone Tonruf I: length-tol-s=0", "'0' is not a number from 0.01 to 10",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"twotone Feueralarm: tol-hz=0+5",
         "'0+5' is not two numbers joined by '+' (like 3+5), each from 0.1 to 100",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"twotone Feueralarm: min-s=6", "field 'min-s': 6 is above length-s (5)",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        // A message shows no raw control byte and no more than a few dozen bytes of a value.
        {"standard EEA: \x1b[2Jspeed=3", "field '\\x1B[2Jspeed': no such field here",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard EEA: tone-ms=" + std::string(100000, '7'),
         "'7777777777777777777777777777777777777777…' (100000 bytes) is not a number",
         [](const ToneLimits& l) { return l == DefaultToneLimits(); }},
    };
    for (const auto& c : cases) {
        const LoadedLimits loaded = ParseToneLimits("\n" + c.line + "\n", "limits.txt");
        if (*c.message) {
            ASSERT_EQ(loaded.messages.size(), 1u) << c.line;
            EXPECT_NE(loaded.messages[0].find(c.message), std::string::npos)
                << c.line << "\n" << loaded.messages[0];
            EXPECT_NE(loaded.messages[0].find("limits.txt:2: "), std::string::npos);
            EXPECT_LT(loaded.messages[0].size(), 200u) << c.line;
        } else {
            EXPECT_EQ(loaded.messages, std::vector<std::string>{}) << c.line;
        }
        EXPECT_TRUE(c.holds(loaded.limits)) << c.line;
    }
}

TEST(LimitsFile, AByteOrderMarkIsSkippedAndTheBoxShowsTheFirstTenMessages) {
    const LoadedLimits marked = ParseToneLimits("\xEF\xBB\xBFstandard EEA: tone-ms=45\n", "f");
    EXPECT_EQ(marked.messages, std::vector<std::string>{});
    EXPECT_EQ(marked.limits.Of(ToneStandard::Eea).toneSeconds, 0.045);

    std::string badLines;
    for (int i = 0; i < 10000; ++i)
        badLines += "x\n";
    const std::vector<std::string> all = ParseToneLimits(badLines, "f").messages;
    ASSERT_EQ(all.size(), 10000u);
    for (const std::size_t count : {0, 10, 11, 10000}) {
        const std::string box = LimitsMessageBoxText({all.begin(), all.begin() + long(count)});
        EXPECT_EQ(std::count(box.begin(), box.end(), '\n'),
                  count ? std::min<long>(count, 11) - 1 : 0);
        EXPECT_EQ(box.substr(box.rfind('\n') + 1),
                  count <= 10 ? (count ? all[count - 1] : "")
                              : "… und " + std::to_string(count - 10) + " weitere");
    }
}

TEST(LimitsFile, TheFirstCandidateThatExistsIsRead) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("limits-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "folder");
    std::ofstream(folder / "second.txt") << "standard EEA: tone-ms=45\nstandard EEA: x\n";
    std::ofstream(folder / "third.txt") << "standard EEA: tone-ms=50\n";
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(folder / "gone.txt", folder / "dangling");
    std::filesystem::create_symlink("/dev/null", folder / "device");
    const LoadedLimits loaded =
        LoadToneLimits({folder / "first.txt", folder / "folder", folder / "fifo",
                        folder / "dangling", folder / "device", folder / "second.txt",
                        folder / "third.txt"});
    EXPECT_EQ(loaded.source, (folder / "second.txt").string());
    EXPECT_EQ(loaded.limits.Of(ToneStandard::Eea).toneSeconds, 0.045);
    const std::vector<std::string> named{
        (folder / "folder").string() + ": is a folder, not a file; it is ignored",
        (folder / "fifo").string() + ": is a FIFO, not a file; it is ignored",
        (folder / "dangling").string() + ": is a link to nothing; it is ignored",
        (folder / "device").string() + ": is a device, not a file; it is ignored",
        (folder / "second.txt").string() +
            ":2: field 'x': expected FIELD=VALUE; the line is ignored",
    };
    EXPECT_EQ(loaded.messages, named);
    const LoadedLimits none = LoadToneLimits({folder / "first.txt", folder / "folder"});
    EXPECT_EQ(none.source, "");
    EXPECT_EQ(none.limits, DefaultToneLimits());
    EXPECT_EQ(none.messages, std::vector<std::string>{named[0]});
    std::filesystem::remove_all(folder);
}

} // namespace
