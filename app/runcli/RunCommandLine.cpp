#include "app/runcli/RunCommandLine.h"

#include "runtime/CommandLineItem.h"

#include <array>
#include <charconv>

namespace {

struct TTextOption {
    std::string_view Name;
    std::string TRunOptions::*Target;
    std::string TReportFields::*Field;
};

constexpr std::array<TTextOption, 7> TextOptions{{
    {"-o", &TRunOptions::Output, nullptr},
    {"--output", &TRunOptions::Output, nullptr},
    {"--tone-input", &TRunOptions::ToneInput, nullptr},
    {"--pruefer", nullptr, &TReportFields::Pruefer},
    {"--pruefling", nullptr, &TReportFields::Pruefling},
    {"--standort", nullptr, &TReportFields::Standort},
    {"--bemerkung", nullptr, &TReportFields::Bemerkung},
}};

const TTextOption* TextOption(std::string_view name) {
    for (const TTextOption& option : TextOptions)
        if (option.Name == name)
            return &option;
    return nullptr;
}

bool TakesValue(std::string_view name) {
    return TextOption(name) != nullptr || name == "--port" || name == "--standard";
}

// "COM1" ... "COM50", in either case.
std::optional<unsigned> PortNumber(std::string_view text) {
    if (text.size() < 4 || (text.substr(0, 3) != "COM" && text.substr(0, 3) != "com"))
        return std::nullopt;
    unsigned number = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data() + 3, end, number);
    if (error != std::errc() || at != end || number < 1 || number > 50)
        return std::nullopt;
    return number;
}

} // namespace

TParsedRunCommandLine ParseRunCommandLine(const std::vector<std::string>& args) {
    TRunOptions options;
    for (std::size_t at = 0; at < args.size();) {
        const TCommandLineItem item = NextCommandLineItem(args, at, TakesValue);
        if (!item.Error.empty())
            return {std::nullopt, item.Error};
        const std::string& option = item.Name;
        if (const TTextOption* text = TextOption(option)) {
            (text->Target ? options.*text->Target : options.Fields.*text->Field) = *item.Value;
        } else if (option == "--port") {
            const std::optional<unsigned> port = PortNumber(*item.Value);
            if (!port)
                return {std::nullopt, "--port takes COM1 to COM50, not '" + *item.Value + "'"};
            options.Port = *port;
        } else if (option == "--standard") {
            const std::optional<TToneStandard> standard = ParseToneStandard(*item.Value);
            if (!standard)
                return {std::nullopt, "unknown standard '" + *item.Value + "'"};
            options.Standard = *standard;
        } else if (option == "--help" || option == "-h") {
            options.Help = true;
        } else if (option.starts_with("-")) {
            return {std::nullopt, "unknown option " + option};
        } else if (!options.Plan.empty()) {
            return {std::nullopt, "unexpected argument '" + option + "' (one plan file only)"};
        } else {
            options.Plan = option;
        }
    }
    if (options.Help)
        return {options, {}};
    if (options.Plan.empty())
        return {std::nullopt, "no plan file given"};
    if (options.Port == 0)
        return {std::nullopt, "no port given (--port COMn)"};
    return {options, {}};
}

std::string RunUsageText() {
    return R"(Usage: quorvane-run PLAN --port COMn [--tone-input NAME] [--standard NAME]
                    [-o REPORT.pdf] [--pruefer TEXT] [--pruefling TEXT]
                    [--standort TEXT] [--bemerkung TEXT]
Runs a test plan against the encoder on the port, without a window: each alarm
of the plan file goes out once the encoder has acknowledged the one before and
that one is over (judged from the tone input, or its transmit time passed),
as the window's Prüfablauf does. The day's record and its pictures go into the
working folder as the window writes them; a line per alarm goes to standard
error; at the end the report of the run's rows is written.

  --port COMn           the encoder's port
  --tone-input NAME     the audio input that hears the encoder's transmitter
                        (its description as the window lists it, or its
                        name); without
                        one the alarms are paced, not judged
  --standard NAME       the selective-call standard listened for (zvei1,
                        zvei2, zvei3, dzvei, ccir, eea; default zvei1)
  -o, --output FILE     the report to write at the end (Prüfbericht, PDF)
  --pruefer TEXT        who tested
  --pruefling TEXT      the device tested: its number or name
  --standort TEXT       where it was tested
  --bemerkung TEXT      a remark; the plan file's name when not given
  -h, --help            show this text and exit

Exit status: 0 when every alarm was judged "stimmt", 1 when any was not, 2 when
the run could not be done (a bad plan file, a port that does not open, a tone
input that is not there, a report that cannot be written).
)";
}
