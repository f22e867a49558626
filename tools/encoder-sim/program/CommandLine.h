#pragma once
// The command line of quorvane-encoder-sim: its options, their checks and the usage text.
//
// Pure; ParseCommandLine never throws and reports the first bad option as a sentence.

#include "tools/encoder-sim/audio/AlarmSound.h"
#include "tools/encoder-sim/encoder/EncoderModel.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace EncoderSim {

struct TSimOptions {
    std::optional<std::string> Dir; // empty: a new temporary folder
    unsigned ComNumber = 1;
    bool Json = false;
    bool Help = false;
    TEncoderSettings Settings;
    std::optional<std::string> AudioFile; // WAV file the alarms' tones are written to
    bool Play = false;                    // sound the alarms' tones on the default output
    TToneStandard Tones = TToneStandard::Zvei1;
    TSoundFaults SoundFaults;
};

struct TParsedCommandLine {
    std::optional<TSimOptions> Options; // empty when Error says why
    std::string Error;
};

inline constexpr std::string_view SimProgramName = "quorvane-encoder-sim";
inline constexpr unsigned MaxComNumber = 50;
inline constexpr unsigned long MaxBufferSize = 1000;
inline constexpr unsigned long MaxTxMs = 3'600'000;
inline constexpr double MaxSilentAfterSeconds = 86'400;
inline constexpr double MaxFaultPercent = 40.0;
inline constexpr unsigned long MaxFaultEvery = 10'000;

// `args` are the arguments after the program name.
TParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

} // namespace EncoderSim
