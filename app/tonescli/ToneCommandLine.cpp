#include "app/tonescli/ToneCommandLine.h"

#include "app/options/ItemTextMatch.h"
#include "app/options/OptionGroupItems.h"
#include "app/tones/ToneDecoder.h"
#include "runtime/CommandLineItem.h"

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

TParsedToneCommandLine ParseToneCommandLine(const std::vector<std::string>& args) {
    TToneOptions options;
    bool haveInput = false;
    for (std::size_t at = 0; at < args.size();) {
        const TCommandLineItem item = NextCommandLineItem(args, at, [](std::string_view name) {
            return name == "--standard" || name == "--rate" || name == "--expect" ||
                   name == "--pre-tone" || name == "--alarm-type" || name == "--png";
        });
        if (!item.Error.empty())
            return {std::nullopt, item.Error};
        const std::string& option = item.Name;
        const std::optional<std::string>& value = item.Value;

        if (option == "--help" || option == "-h") {
            options.Help = true;
        } else if (option == "--json") {
            options.Json = true;
        } else if (option == "--sheet") {
            options.Sheet = true;
        } else if (option == "--standard") {
            const auto standard = ParseToneStandard(*value);
            if (!standard)
                return {std::nullopt, "invalid value '" + *value +
                                          "' for --standard (expected zvei1, zvei2, zvei3, "
                                          "dzvei, ccir or eea)"};
            options.Standard = *standard;
        } else if (option == "--rate") {
            options.RawRate = ParseRate(*value);
            if (!options.RawRate)
                return {std::nullopt,
                        "invalid value '" + *value + "' for --rate (expected 8000 to 48000 Hz)"};
        } else if (option == "--expect") {
            if (value->empty() ||
                value->find_first_not_of("0123456789ABCDEabcde") != std::string::npos)
                return {std::nullopt, "invalid value '" + *value +
                                          "' for --expect (expected the code's symbols, "
                                          "0-9 and A-E)"};
            options.Expect = *value;
        } else if (option == "--png") {
            if (value->empty())
                return {std::nullopt, "option --png needs a file name"};
            options.Png = *value;
        } else if (option == "--pre-tone" || option == "--alarm-type") {
            // A text that names no item would leave its part of the alarm silently unjudged.
            const bool preTone = option == "--pre-tone";
            const auto& items = preTone ? FiveCharPreToneItems() : AlarmTypeItems();
            const auto item = MatchItemText(*value, items);
            if (!item)
                return {std::nullopt, "invalid value '" + *value + "' for " + option +
                                          " (expected one of " + ItemTextList(items) + ")"};
            (preTone ? options.PreTone : options.AlarmType) = *item;
        } else if (option.starts_with("-") && option != StandardInputName) {
            return {std::nullopt, "unknown option " + option};
        } else if (haveInput) {
            return {std::nullopt, "unexpected argument '" + option + "' (one input only)"};
        } else {
            options.Input = option;
            haveInput = true;
        }
    }
    if (options.Help)
        return {options, {}};
    if (!haveInput)
        return {std::nullopt, "no input given (a WAV file, or - for standard input)"};
    if (options.RawRate && options.Input != StandardInputName)
        return {std::nullopt, "--rate is for raw samples on standard input (-) only"};
    if (!options.Expect && (!options.PreTone.empty() || !options.AlarmType.empty()))
        return {std::nullopt, "--pre-tone and --alarm-type describe the alarm --expect judges"};
    return {options, {}};
}

std::string ToneUsageText() {
    return R"usage(Usage: quorvane-tones FILE.wav|- [--standard zvei1|zvei2|zvei3|dzvei|ccir|eea] [--json]
                      [--rate N] [--expect CODE [--pre-tone TEXT] [--alarm-type TEXT]]
                      [--sheet] [--png FILE]
Prints what an alarm encoder transmitted in a recording: every selective-call
sequence, long tone (pre-tone, call tone) and two-tone alarm, one line each,
with its start time, digits or frequencies, measured lengths and the option
text it matches. With --expect, judges the whole recording as one alarm
against the limits file and prints the verdict as Quorvane's test record does.

  FILE.wav          16-bit PCM WAV file, 8000 to 48000 Hz (channels are mixed)
  -                 read standard input: a WAV stream, or raw 16-bit
                    little-endian mono samples with --rate
  --standard NAME   tone standard of the sequences (default zvei1)
  --rate N          sample rate of raw input on standard input, 8000 to 48000
  --expect CODE     the code the alarm should carry; prints the verdict last:
                    "stimmt", "weicht ab (MISSES)" or "nichts gehört"
  --pre-tone TEXT   the pre-tone item as the window shows it, for example
                    "Tonruf I kurz" or "Ohne Tonruf" (default: not judged)
  --alarm-type TEXT the alarm-type item, for example "Feueralarm"; its
                    two-tone pair comes from the limits file
                    (both in any case, runs of blanks as one; any other text
                    is refused with the list of items)
  --sheet           with --expect, print the measurement sheet after the
                    verdict: one line per element of the alarm (call tone,
                    each tone of the code, pause, repeat, two-tone pair) with
                    nominal and measured values, deviation, limits, what is
                    wrong, and the reserve a receiver leaves; then whether
                    receivers would react
  --png FILE        draw the alarm as a PNG picture with time and frequency
                    axes and a legend: the whole alarm, and its first code
                    stretched with each tone's symbol, measured frequency
                    and band; each tone green (held its limits), red
                    (missed, with what it missed) or amber (not judged);
                    refused when FILE is the input or exists and is not a
                    regular file
  --json            print one JSON object per line instead of text; the
                    verdict's object holds the sheet and the receivers' verdict
  -h, --help        show this text and exit

The limits are read from tone-limits.txt in the working folder, or else from
the installed one (share/quorvane/tone-limits.txt); a line that cannot be used
is reported on standard error and ignored.

Exit status: 0 when the input was read (whether or not anything was heard, and
whatever the verdict), 2 when the command line or the input cannot be used, the
input cannot be read to its end, or the output or the picture cannot be
written. A WAV file cut short is decoded as far as it goes, with a note.
)usage";
}
