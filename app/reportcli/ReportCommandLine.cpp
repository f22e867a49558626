#include "app/reportcli/ReportCommandLine.h"

#include "runtime/CommandLineItem.h"

#include <array>

namespace {

struct TValueOption {
    std::string_view Name;
    std::string TReportOptions::*Target;
    std::string TReportFields::*Field;
};

constexpr std::array<TValueOption, 6> ValueOptions{{
    {"-o", &TReportOptions::Output, nullptr},
    {"--output", &TReportOptions::Output, nullptr},
    {"--pruefer", nullptr, &TReportFields::Pruefer},
    {"--pruefling", nullptr, &TReportFields::Pruefling},
    {"--standort", nullptr, &TReportFields::Standort},
    {"--bemerkung", nullptr, &TReportFields::Bemerkung},
}};

const TValueOption* ValueOption(std::string_view name) {
    for (const TValueOption& option : ValueOptions)
        if (option.Name == name)
            return &option;
    return nullptr;
}

} // namespace

TParsedReportCommandLine ParseReportCommandLine(const std::vector<std::string>& args) {
    TReportOptions options;
    bool haveInput = false;
    for (std::size_t at = 0; at < args.size();) {
        const TCommandLineItem item = NextCommandLineItem(
            args, at, [](std::string_view name) { return ValueOption(name) != nullptr; });
        if (!item.Error.empty())
            return {std::nullopt, item.Error};
        const std::string& option = item.Name;
        if (const TValueOption* takesValue = ValueOption(option)) {
            std::string& target = takesValue->Target ? options.*takesValue->Target
                                                     : options.Fields.*takesValue->Field;
            target = *item.Value;
        } else if (option == "--help" || option == "-h") {
            options.Help = true;
        } else if (option.starts_with("-")) {
            return {std::nullopt, "unknown option " + option};
        } else if (haveInput) {
            return {std::nullopt, "unexpected argument '" + option + "' (one record file only)"};
        } else {
            options.Input = option;
            haveInput = true;
        }
    }
    if (options.Help)
        return {options, {}};
    if (!haveInput)
        return {std::nullopt, "no record file given (Pruefprotokoll-YYYY-MM-DD.csv)"};
    if (options.Output.empty())
        return {std::nullopt, "no report file given (-o FILE.pdf)"};
    return {options, {}};
}

std::string ReportUsageText() {
    return R"(Usage: quorvane-report Pruefprotokoll-YYYY-MM-DD.csv -o FILE.pdf
                       [--pruefer TEXT] [--pruefling TEXT] [--standort TEXT]
                       [--bemerkung TEXT]
Makes the signed test report (Prüfbericht, A4 PDF) of a day's test record:
the fields below, a table with every alarm of the file, the measurement
picture under each row that has one in the day's picture folder beside the
file, a summary of the verdicts and a signature line.

  -o, --output FILE     the PDF to write (a regular file of that name is
                        replaced; the record file itself, a folder, pipe or
                        device is refused)
  --pruefer TEXT        who tested
  --pruefling TEXT      the device tested: its number or name
  --standort TEXT       where it was tested
  --bemerkung TEXT      a remark
  -h, --help            show this text and exit

Lines of the file that are not rows of the record are left out, counted in
the report and on standard error.

Exit status: 0 when the report was written, 2 when the command line or the
record file cannot be used or the report cannot be written.
)";
}
