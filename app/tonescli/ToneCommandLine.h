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

struct TToneOptions {
    std::string Input;          // a file, or StandardInputName
    std::optional<int> RawRate; // raw 16-bit PCM at this rate instead of WAV
    TToneStandard Standard = DefaultToneStandard;
    // --expect: the code the alarm should carry, with the items the window would show.
    std::optional<std::string> Expect;
    std::string PreTone;
    std::string AlarmType;
    std::optional<std::string> Png; // draw the last minute of input here
    bool Json = false;
    bool Sheet = false; // the measurement sheet after the verdict
    bool Help = false;
};

struct TParsedToneCommandLine {
    std::optional<TToneOptions> Options; // empty when error says why
    std::string Error;
};

// `args` are the arguments after the program name.
TParsedToneCommandLine ParseToneCommandLine(const std::vector<std::string>& args);

std::string ToneUsageText();
