#pragma once
// The command line of quorvane-run: its options, their checks and the usage text.
//
// Pure; ParseRunCommandLine never throws and reports the first bad argument as a sentence.

#include "app/report/ReportModel.h"
#include "app/tones/ToneStandard.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view RunProgramFile = "quorvane-run";

struct TRunOptions {
    std::string Plan;      // the plan file
    unsigned Port = 0;     // COMn
    std::string ToneInput; // the audio input's name; empty: no tone input
    TToneStandard Standard = DefaultToneStandard;
    std::string Output; // the report to write at the end; empty: none
    TReportFields Fields;
    bool Help = false;
};

struct TParsedRunCommandLine {
    std::optional<TRunOptions> Options; // empty when Error says why
    std::string Error;
};

// `args` are the arguments after the program name.
TParsedRunCommandLine ParseRunCommandLine(const std::vector<std::string>& args);

std::string RunUsageText();
