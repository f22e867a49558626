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
    const TLoadedLimits loaded = ParseToneLimits(text.str(), "tone-limits.txt");
    EXPECT_EQ(loaded.Messages, std::vector<std::string>{});
    EXPECT_EQ(loaded.Limits, DefaultToneLimits());
}

TEST(LimitsFile, EachLineChangesItsEntryOrIsReportedAndIgnored) {
    using Check = bool (*)(const TToneLimits&);
    const struct {
        std::string line;
        const char* message; // empty: none
        Check holds;
    } cases[] = {
        {"standard zvei2: tone-ms=65 tone-tol-ms=12,5 # workshop's own", "",
         [](const TToneLimits& l) {
             return l.Of(TToneStandard::Zvei2).ToneSeconds == 0.065 &&
                    l.Of(TToneStandard::Zvei2).ToneToleranceSeconds == 0.0125 &&
                    l.Of(TToneStandard::Zvei1) == DefaultToneLimits().Of(TToneStandard::Zvei1);
         }},
        {"standard CCIR: repeated=no", "",
         [](const TToneLimits& l) { return !l.Of(TToneStandard::Ccir).Repeated; }},
        {"calltone Tonruf II: lang-s=3", "",
         [](const TToneLimits& l) { return l.CallTone("Tonruf II")->LongSeconds == 3.0; }},
        {"calltone Tonruf III: hz=2400", "",
         [](const TToneLimits& l) { return l.CallTone("Tonruf III")->FrequencyHz == 2400.0; }},
        {"twotone Warten (max 5 sec) Weckruf: hz=2280+675 tol-hz=9+3", "",
         [](const TToneLimits& l) {
             const TTwoTonePair* pair = l.PairFor("Warten (max 5 sec) Weckruf");
             return pair && pair->FrequenciesHz == std::array<double, 2>{675, 2280} &&
                    pair->TolerancesHz == std::array<double, 2>{3, 9} && pair->DelaySeconds == 5;
         }},
        {"twotone Probealarm: none", "",
         [](const TToneLimits& l) { return !l.PairFor("Probealarm") && l.PairFor("Feueralarm"); }},
        {"   # only a comment", "", [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        // Every bad line: one message with file, line and field; its entry keeps its values.
        {"standard ZVEI1: tone-ms=70 tone-tol-ms=abc",
         "field 'tone-tol-ms': 'abc' is not a number from 1 to 500",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard ZVEI1: tone-ms=50 pause-ms=-3", "field 'pause-ms': '-3' is not a number",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard ZVEI9: tone-ms=70", "field 'standard': 'ZVEI9' is no tone standard",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard EEA: repeated=maybe", "field 'repeated': 'maybe' is not yes or no",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard EEA: speed=3", "field 'speed': no such field here",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard EEA: tone-ms 40", "field 'tone-ms': expected FIELD=VALUE",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"calltone Tonruf X: kurz-s=1", "field 'hz': a call tone needs its frequency",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"twotone Warnung: hz=675", "field 'hz': '675' is not two numbers joined by '+'",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"twotone Warnung: hz=675+2280", "field 'tol-hz': a two-tone pair needs its tolerances",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"siren Feueralarm: hz=1+2", "field 'siren': no such kind",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard ZVEI1 tone-ms=70", "field 'standard': expected KIND NAME: FIELD=VALUE",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        // Values that would make the check meaningless; both ends of the ranges pass.
        {"standard ZVEI1: tone-ms=10 tone-tol-ms=1 freq-tol-pct=0,1 code-tol-ms=1 pause-ms=10000",
         "", [](const TToneLimits& l) { return l.Of(TToneStandard::Zvei1).ToneSeconds == 0.01; }},
        {"standard ZVEI1: tone-ms=0", "field 'tone-ms': '0' is not a number from 10 to 1000",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard CCIR: freq-tol-pct=99999", "'99999' is not a number from 0.1 to 10",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"calltone Tonruf I: length-tol-s=0", "'0' is not a number from 0.01 to 10",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"twotone Feueralarm: tol-hz=0+5",
         "'0+5' is not two numbers joined by '+' (like 3+5), each from 0.1 to 100",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"twotone Feueralarm: min-s=6", "field 'min-s': 6 is above length-s (5)",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        // A message shows no raw control byte and no more than a few dozen bytes of a value.
        {"standard EEA: \x1b[2Jspeed=3", "field '\\x1B[2Jspeed': no such field here",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
        {"standard EEA: tone-ms=" + std::string(100000, '7'),
         "'7777777777777777777777777777777777777777…' (100000 bytes) is not a number",
         [](const TToneLimits& l) { return l == DefaultToneLimits(); }},
    };
    for (const auto& c : cases) {
        const TLoadedLimits loaded = ParseToneLimits("\n" + c.line + "\n", "limits.txt");
        if (*c.message) {
            ASSERT_EQ(loaded.Messages.size(), 1u) << c.line;
            EXPECT_NE(loaded.Messages[0].find(c.message), std::string::npos) << c.line << "\n"
                                                                             << loaded.Messages[0];
            EXPECT_NE(loaded.Messages[0].find("limits.txt:2: "), std::string::npos);
            EXPECT_LT(loaded.Messages[0].size(), 200u) << c.line;
        } else {
            EXPECT_EQ(loaded.Messages, std::vector<std::string>{}) << c.line;
        }
        EXPECT_TRUE(c.holds(loaded.Limits)) << c.line;
    }
}

TEST(LimitsFile, AByteOrderMarkIsSkippedAndTheBoxShowsTheFirstTenMessages) {
    const TLoadedLimits marked = ParseToneLimits("\xEF\xBB\xBFstandard EEA: tone-ms=45\n", "f");
    EXPECT_EQ(marked.Messages, std::vector<std::string>{});
    EXPECT_EQ(marked.Limits.Of(TToneStandard::Eea).ToneSeconds, 0.045);

    std::string badLines;
    for (int i = 0; i < 10000; ++i)
        badLines += "x\n";
    const std::vector<std::string> all = ParseToneLimits(badLines, "f").Messages;
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
    const TLoadedLimits loaded = LoadToneLimits(
        {folder / "first.txt", folder / "folder", folder / "fifo", folder / "dangling",
         folder / "device", folder / "second.txt", folder / "third.txt"});
    EXPECT_EQ(loaded.Source, (folder / "second.txt").string());
    EXPECT_EQ(loaded.Limits.Of(TToneStandard::Eea).ToneSeconds, 0.045);
    const std::vector<std::string> named{
        (folder / "folder").string() + ": is a folder, not a file; it is ignored",
        (folder / "fifo").string() + ": is a FIFO, not a file; it is ignored",
        (folder / "dangling").string() + ": is a link to nothing; it is ignored",
        (folder / "device").string() + ": is a device, not a file; it is ignored",
        (folder / "second.txt").string() +
            ":2: field 'x': expected FIELD=VALUE; the line is ignored",
    };
    EXPECT_EQ(loaded.Messages, named);
    const TLoadedLimits none = LoadToneLimits({folder / "first.txt", folder / "folder"});
    EXPECT_EQ(none.Source, "");
    EXPECT_EQ(none.Limits, DefaultToneLimits());
    EXPECT_EQ(none.Messages, std::vector<std::string>{named[0]});
    std::filesystem::remove_all(folder);
}

} // namespace
