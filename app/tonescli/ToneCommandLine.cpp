#include "app/tonescli/ToneCommandLine.h"

#include "app/tones/ToneDecoder.h"

#include <charconv>

namespace {

std::optional<int> ParseRate(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        value < MinToneSampleRate || value > MaxToneSampleRate)
        return std::nullopt;
    return value;
}

} // namespace

ParsedToneCommandLine ParseToneCommandLine(const std::vector<std::string>& args) {
    ToneOptions options;
    bool haveInput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> value;
        if (const auto equals = option.find('=');
            option.starts_with("--") && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        const bool takesValue = option == "--standard" || option == "--rate";
        if (value && !takesValue)
            return {std::nullopt, "option " + option + " takes no value"};
        if (takesValue && !value) {
            if (i + 1 == args.size())
                return {std::nullopt, "option " + option + " needs a value"};
            value = args[++i];
        }

        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--json") {
            options.json = true;
        } else if (option == "--standard") {
            const auto standard = ParseToneStandard(*value);
            if (!standard)
                return {std::nullopt, "invalid value '" + *value +
                                          "' for --standard (expected zvei1, zvei2, zvei3, "
                                          "ccir or eea)"};
            options.standard = *standard;
        } else if (option == "--rate") {
            options.rawRate = ParseRate(*value);
            if (!options.rawRate)
                return {std::nullopt,
                        "invalid value '" + *value + "' for --rate (expected 8000 to 48000 Hz)"};
        } else if (option.starts_with("-") && option != StandardInputName) {
            return {std::nullopt, "unknown option " + option};
        } else if (haveInput) {
            return {std::nullopt, "unexpected argument '" + option + "' (one input only)"};
        } else {
            options.input = option;
            haveInput = true;
        }
    }
    if (options.help)
        return {options, {}};
    if (!haveInput)
        return {std::nullopt, "no input given (a WAV file, or - for standard input)"};
    if (options.rawRate && options.input != StandardInputName)
        return {std::nullopt, "--rate is for raw samples on standard input (-) only"};
    return {options, {}};
}

std::string ToneUsageText() {
    return R"(Usage: quorvane-tones FILE.wav|- [--standard zvei1|zvei2|zvei3|ccir|eea] [--json]
                      [--rate N]
Prints what an alarm encoder transmitted in a recording: every selective-call
sequence, long tone (pre-tone, call tone) and two-tone alarm, one line each,
with its start time, digits or frequencies, durations and the option text it
matches.

  FILE.wav          16-bit PCM WAV file, 8000 to 48000 Hz (channels are mixed)
  -                 read standard input: a WAV stream, or raw 16-bit
                    little-endian mono samples with --rate
  --standard NAME   tone standard of the sequences (default zvei1)
  --rate N          sample rate of raw input on standard input, 8000 to 48000
  --json            print one JSON object per line instead of text
  -h, --help        show this text and exit

Exit status: 0 when the input was read (whether or not anything was heard),
2 when the command line or the input cannot be used.
)";
}
