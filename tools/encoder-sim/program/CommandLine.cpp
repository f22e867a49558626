#include "tools/encoder-sim/program/CommandLine.h"

#include "tools/encoder-sim/audio/AlarmSound.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace EncoderSim {

namespace {

std::optional<unsigned long> ParseWhole(std::string_view text, unsigned long min,
                                        unsigned long max) {
    unsigned long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min ||
        value > max)
        return std::nullopt;
    return value;
}

std::optional<double> ParseSeconds(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value > MaxSilentAfterSeconds)
        return std::nullopt;
    return value;
}

// A signed percentage within +-MaxFaultPercent.
std::optional<double> ParsePercent(const std::string& text) {
    const std::size_t digits = text.starts_with("-") || text.starts_with("+") ? 1 : 0;
    if (text.size() == digits || text.find_first_not_of("0123456789.", digits) != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) ||
        std::abs(value) > MaxFaultPercent)
        return std::nullopt;
    return value;
}

std::string BadValue(std::string_view option, std::string_view value, std::string_view expected) {
    return "invalid value '" + std::string(value) + "' for " + std::string(option) + " (expected " +
           std::string(expected) + ")";
}

} // namespace

TParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TSimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> inlineValue;
        if (auto equals = option.find('=');
            option.starts_with("--") && equals != std::string::npos) {
            inlineValue = option.substr(equals + 1);
            option.resize(equals);
        }
        auto takesValue = option == "--dir" || option == "--com" || option == "--buffer" ||
                          option == "--tx-ms" || option == "--silent-after" ||
                          option == "--audio" || option == "--tones" || option == "--detune" ||
                          option == "--stretch" || option == "--fault-every";
        if (inlineValue && !takesValue)
            return {std::nullopt, "option " + option + " takes no value"};
        std::string value;
        if (takesValue) {
            if (inlineValue)
                value = *inlineValue;
            else if (i + 1 < args.size())
                value = args[++i];
            else
                return {std::nullopt, "option " + option + " needs a value"};
        }

        if (option == "--help" || option == "-h") {
            options.Help = true;
        } else if (option == "--json") {
            options.Json = true;
        } else if (option == "--silent") {
            options.Settings.Faults.Silent = true;
        } else if (option == "--nak") {
            options.Settings.Faults.Nak = true;
        } else if (option == "--garbage") {
            options.Settings.Faults.Garbage = true;
        } else if (option == "--wrong-digit") {
            options.SoundFaults.WrongDigit = true;
        } else if (option == "--wrong-pair") {
            options.SoundFaults.WrongPair = true;
        } else if (option == "--no-call-tone") {
            options.SoundFaults.NoCallTone = true;
        } else if (option == "--detune" || option == "--stretch") {
            const auto percent = ParsePercent(value);
            if (!percent)
                return {std::nullopt, BadValue(option, value, "-40 to 40 percent")};
            (option == "--detune" ? options.SoundFaults.DetunePercent
                                  : options.SoundFaults.StretchPercent) = *percent;
        } else if (option == "--fault-every") {
            const auto every = ParseWhole(value, 1, MaxFaultEvery);
            if (!every)
                return {std::nullopt, BadValue(option, value, "1 to 10000 alarms")};
            options.SoundFaults.Every = *every;
        } else if (option == "--play") {
            options.Play = true;
        } else if (option == "--audio") {
            if (value.empty())
                return {std::nullopt, "option --audio needs a file name"};
            options.AudioFile = value;
        } else if (option == "--tones") {
            auto standard = ParseToneStandard(value);
            if (!standard)
                return {std::nullopt,
                        BadValue(option, value, "zvei1, zvei2, zvei3, dzvei, ccir or eea")};
            options.Tones = *standard;
        } else if (option == "--dir") {
            if (value.empty())
                return {std::nullopt, "option --dir needs a folder"};
            options.Dir = value;
        } else if (option == "--com") {
            auto number = ParseWhole(value, 1, MaxComNumber);
            if (!number)
                return {std::nullopt, BadValue(option, value, "a port number from 1 to 50")};
            options.ComNumber = static_cast<unsigned>(*number);
        } else if (option == "--buffer") {
            auto size = ParseWhole(value, 1, MaxBufferSize);
            if (!size)
                return {std::nullopt, BadValue(option, value, "1 to 1000 alarms")};
            options.Settings.BufferSize = *size;
        } else if (option == "--tx-ms") {
            auto ms = ParseWhole(value, 0, MaxTxMs);
            if (!ms)
                return {std::nullopt, BadValue(option, value, "0 to 3600000 milliseconds")};
            options.Settings.TxTime = std::chrono::milliseconds(*ms);
        } else if (option == "--silent-after") {
            auto seconds = ParseSeconds(value);
            if (!seconds)
                return {std::nullopt, BadValue(option, value, "0 to 86400 seconds")};
            options.Settings.Faults.SilentAfter =
                std::chrono::milliseconds(std::llround(*seconds * 1000));
        } else if (option.starts_with("-")) {
            return {std::nullopt, "unknown option " + option};
        } else {
            return {std::nullopt, "unexpected argument '" + option + "'"};
        }
    }
    // Without a fault to space out, the option would silently test nothing.
    if (options.SoundFaults.Every != 1 &&
        options.SoundFaults == TSoundFaults{.Every = options.SoundFaults.Every})
        return {std::nullopt, "--fault-every needs a tone fault (--detune, --stretch, "
                              "--wrong-digit, --wrong-pair or --no-call-tone)"};
    return {options, {}};
}

std::string UsageText() {
    std::string text = R"(Usage: quorvane-encoder-sim [OPTION]...
Plays an alarm encoder on a virtual serial port: makes a pseudo-terminal, links its
terminal end as DIR/COM<N> and answers whatever program opens that link, until
interrupted (Ctrl+C, SIGTERM or SIGHUP). Every frame received is printed as one
line.

  --dir DIR             folder for the link (default: a new temporary folder,
                        removed at exit)
  --com N               port number of the link COM<N>, 1 to 50 (default 1)
  --buffer N            alarms that may wait for the transmitter, 1 to 1000
                        (default 3); polls are answered 0x15 while it is full
  --tx-ms MS            how long the transmitter sends one alarm (default 3000)
  --json                print one JSON object per line instead of text
  --silent              never answer
  --nak                 answer every poll with 0x15
  --silent-after SECS   answer normally, then fall silent after SECS seconds
  --garbage             mix meaningless bytes into the answers
  --audio FILE          write the tones of every alarm taken (not of dropped
                        ones) to FILE, a 16-bit mono WAV file at 22050 Hz
  --play                sound the same tones on the default audio output
  --tones STANDARD      selective-call standard of the code: zvei1 (default),
                        zvei2, zvei3, dzvei, ccir or eea
  --detune PCT          sound every tone of the code PCT percent off (-40 to 40)
  --stretch PCT         sound every tone of the code PCT percent longer
  --wrong-digit         sound the code's third character one higher
  --wrong-pair          sound the two-tone pair with a wrong partner tone
                        (2280 Hz, or 1240 Hz where 2280 Hz is right)
  --no-call-tone        leave the call tone out
  --fault-every N       sound the tone faults above in every Nth alarm only (the
                        5th, 10th, ... for 5), 1 to 10000 (default 1: every alarm)
  -h, --help            show this text and exit

)";
    text += AlarmSoundDescription();
    return text + "\nPoint Quorvane at the folder: QUORVANE_COM_DIR=DIR quorvane\n";
}

} // namespace EncoderSim
