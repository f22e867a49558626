#include "tools/encoder-sim/program/CommandLine.h"

#include <gtest/gtest.h>

using namespace EncoderSim;
using namespace std::chrono_literals;

namespace {

TEST(SimCommandLine, DefaultsWithoutOptions) {
    auto parsed = ParseCommandLine({});
    ASSERT_TRUE(parsed.Options) << parsed.Error;
    EXPECT_FALSE(parsed.Options->Dir);
    EXPECT_EQ(parsed.Options->ComNumber, 1u);
    EXPECT_FALSE(parsed.Options->Json);
    EXPECT_EQ(parsed.Options->Settings.BufferSize, 3u);
    EXPECT_EQ(parsed.Options->Settings.TxTime, 3000ms);
    EXPECT_EQ(parsed.Options->Settings.Faults, TFaultModes{});
    EXPECT_FALSE(parsed.Options->AudioFile);
    EXPECT_FALSE(parsed.Options->Play);
    EXPECT_EQ(parsed.Options->Tones, TToneStandard::Zvei1);
    EXPECT_EQ(parsed.Options->SoundFaults, TSoundFaults{});
}

TEST(SimCommandLine, ReadsEveryOption) {
    auto parsed = ParseCommandLine({"--dir",
                                    "/tmp/x",
                                    "--com=7",
                                    "--buffer",
                                    "5",
                                    "--tx-ms",
                                    "250",
                                    "--json",
                                    "--silent",
                                    "--nak",
                                    "--garbage",
                                    "--silent-after",
                                    "2.5",
                                    "--audio",
                                    "a.wav",
                                    "--play",
                                    "--tones=CCIR",
                                    "--detune",
                                    "-2.5",
                                    "--stretch=30",
                                    "--wrong-digit",
                                    "--wrong-pair",
                                    "--no-call-tone",
                                    "--fault-every",
                                    "5"});
    ASSERT_TRUE(parsed.Options) << parsed.Error;
    const auto& options = *parsed.Options;
    EXPECT_EQ(options.Dir, "/tmp/x");
    EXPECT_EQ(options.ComNumber, 7u);
    EXPECT_EQ(options.Settings.BufferSize, 5u);
    EXPECT_EQ(options.Settings.TxTime, 250ms);
    EXPECT_TRUE(options.Json);
    EXPECT_TRUE(options.Settings.Faults.Silent);
    EXPECT_TRUE(options.Settings.Faults.Nak);
    EXPECT_TRUE(options.Settings.Faults.Garbage);
    EXPECT_EQ(options.Settings.Faults.SilentAfter, 2500ms);
    EXPECT_EQ(options.AudioFile, "a.wav");
    EXPECT_TRUE(options.Play);
    EXPECT_EQ(options.Tones, TToneStandard::Ccir);
    EXPECT_EQ(options.SoundFaults, (TSoundFaults{-2.5, 30.0, true, true, true, 5}));
    EXPECT_TRUE(ParseCommandLine({"-h"}).Options->Help);
}

struct TBadCase {
    std::vector<std::string> Args;
    std::string Error;
};

// Test names show the case, not its bytes.
void PrintTo(const TBadCase& c, std::ostream* os) {
    *os << c.Error;
}

class SimCommandLineErrors : public ::testing::TestWithParam<TBadCase> {};

TEST_P(SimCommandLineErrors, SaysWhatIsWrong) {
    auto parsed = ParseCommandLine(GetParam().Args);
    EXPECT_FALSE(parsed.Options);
    EXPECT_EQ(parsed.Error, GetParam().Error);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SimCommandLineErrors,
    ::testing::Values(
        TBadCase{{"--bogus"}, "unknown option --bogus"},
        TBadCase{{"stray"}, "unexpected argument 'stray'"},
        TBadCase{{"--dir"}, "option --dir needs a value"},
        TBadCase{{"--dir="}, "option --dir needs a folder"},
        TBadCase{{"--json=1"}, "option --json takes no value"},
        TBadCase{{"--com", "0"},
                 "invalid value '0' for --com (expected a port number from 1 to 50)"},
        TBadCase{{"--com", "51"},
                 "invalid value '51' for --com (expected a port number from 1 to 50)"},
        TBadCase{{"--buffer", "0"}, "invalid value '0' for --buffer (expected 1 to 1000 alarms)"},
        TBadCase{{"--buffer", "-1"}, "invalid value '-1' for --buffer (expected 1 to 1000 alarms)"},
        TBadCase{{"--buffer", "3x"}, "invalid value '3x' for --buffer (expected 1 to 1000 alarms)"},
        TBadCase{{"--tx-ms", ""},
                 "invalid value '' for --tx-ms (expected 0 to 3600000 milliseconds)"},
        TBadCase{{"--tx-ms", "99999999999999999999"},
                 "invalid value '99999999999999999999' for --tx-ms (expected 0 to 3600000 "
                 "milliseconds)"},
        TBadCase{{"--silent-after", "-2"},
                 "invalid value '-2' for --silent-after (expected 0 to 86400 seconds)"},
        TBadCase{{"--silent-after", "1e3"},
                 "invalid value '1e3' for --silent-after (expected 0 to 86400 seconds)"},
        TBadCase{{"--silent-after", "1.2.3"},
                 "invalid value '1.2.3' for --silent-after (expected 0 to 86400 seconds)"},
        TBadCase{{"--audio="}, "option --audio needs a file name"},
        TBadCase{{"--play=yes"}, "option --play takes no value"},
        TBadCase{{"--tones", "zvei"},
                 "invalid value 'zvei' for --tones (expected zvei1, zvei2, zvei3, dzvei, ccir or "
                 "eea)"},
        TBadCase{{"--detune", "41"},
                 "invalid value '41' for --detune (expected -40 to 40 percent)"},
        TBadCase{{"--stretch", "+"},
                 "invalid value '+' for --stretch (expected -40 to 40 percent)"},
        TBadCase{{"--wrong-pair=1"}, "option --wrong-pair takes no value"},
        TBadCase{{"--wrong-pair", "--fault-every", "0"},
                 "invalid value '0' for --fault-every (expected 1 to 10000 alarms)"},
        TBadCase{{"--fault-every=5"},
                 "--fault-every needs a tone fault (--detune, --stretch, "
                 "--wrong-digit, --wrong-pair or --no-call-tone)"}));

} // namespace
