#pragma once
// The command line of quorvane-tones: its options, their checks and the usage text.
//
// Pure; ParseToneCommandLine never throws and reports the first bad argument as a sentence.

#include "app/tones/ToneStandard.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view TonesProgramName = "quorvane-tones";
inline constexpr std::string_view StandardInputName = "-";

struct ToneOptions {
    std::string input;          // a file, or StandardInputName
    std::optional<int> rawRate; // raw 16-bit PCM at this rate instead of WAV
    ToneStandard standard = DefaultToneStandard;
    // --expect: the code the alarm should carry, with the items the window would show.
    std::optional<std::string> expect;
    std::string preTone;
    std::string alarmType;
    std::optional<std::string> png; // draw the last minute of input here
    bool json = false;
    bool sheet = false; // the measurement sheet after the verdict
    bool help = false;
};

struct ParsedToneCommandLine {
    std::optional<ToneOptions> options; // empty when error says why
    std::string error;
};

// `args` are the arguments after the program name.
ParsedToneCommandLine ParseToneCommandLine(const std::vector<std::string>& args);

std::string ToneUsageText();
