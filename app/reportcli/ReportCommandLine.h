#pragma once
// The command line of quorvane-report: its options, their checks and the usage text.
//
// Pure; ParseReportCommandLine never throws and reports the first bad argument as a sentence.

#include "app/report/ReportModel.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view ReportProgramFile = "quorvane-report";

struct TReportOptions {
    std::string Input;  // the day's record file
    std::string Output; // the PDF to write
    TReportFields Fields;
    bool Help = false;
};

struct TParsedReportCommandLine {
    std::optional<TReportOptions> Options; // empty when Error says why
    std::string Error;
};

// `args` are the arguments after the program name.
TParsedReportCommandLine ParseReportCommandLine(const std::vector<std::string>& args);

std::string ReportUsageText();
