#include "app/tonecheck/LimitsFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace {

// The values a field may take, in the file's unit. Nothing is zero: a zero length or tolerance
// makes every alarm miss, or the check meaningless; the upper ends are far beyond any encoder's
// but keep a typing slip ("15000" for "1500") from passing anything.
struct TRange {
    double Least;
    double Most;
};

constexpr TRange FrequencyRange{300.0, 3400.0}; // what the decoder hears
constexpr TRange PercentRange{0.1, 10.0};
constexpr TRange PairToleranceRange{0.1, 100.0};

template <class Entry> struct TNumberField {
    std::string_view Key;
    double Entry::*Member;
    double Scale; // to the unit the limits hold: seconds, hertz, percent
    TRange Range;
};

constexpr TNumberField<TSequenceLimits> SequenceNumbers[] = {
    {"tone-ms", &TSequenceLimits::ToneSeconds, 0.001, {10.0, 1000.0}},
    {"tone-tol-ms", &TSequenceLimits::ToneToleranceSeconds, 0.001, {1.0, 500.0}},
    {"freq-tol-pct", &TSequenceLimits::FrequencyTolerancePercent, 1.0, PercentRange},
    {"code-tol-ms", &TSequenceLimits::CodeToleranceSeconds, 0.001, {1.0, 1000.0}},
    {"pause-ms", &TSequenceLimits::PauseSeconds, 0.001, {10.0, 10000.0}},
    {"pause-tol-ms", &TSequenceLimits::PauseToleranceSeconds, 0.001, {1.0, 5000.0}},
};

constexpr TNumberField<TCallToneLimits> CallToneNumbers[] = {
    {"hz", &TCallToneLimits::FrequencyHz, 1.0, FrequencyRange},
    {"tol-pct", &TCallToneLimits::TolerancePercent, 1.0, PercentRange},
    {"kurz-s", &TCallToneLimits::ShortSeconds, 1.0, {0.1, 10.0}},
    {"lang-s", &TCallToneLimits::LongSeconds, 1.0, {0.1, 30.0}},
    {"length-tol-s", &TCallToneLimits::LengthToleranceSeconds, 1.0, {0.01, 10.0}},
};

constexpr TNumberField<TTwoTonePair> PairNumbers[] = {
    {"delay-s", &TTwoTonePair::DelaySeconds, 1.0, {0.1, 60.0}},
    {"delay-tol-s", &TTwoTonePair::DelayToleranceSeconds, 1.0, {0.01, 10.0}},
    {"length-s", &TTwoTonePair::Seconds, 1.0, {0.1, 60.0}},
    {"min-s", &TTwoTonePair::ShortestSeconds, 1.0, {0.1, 60.0}},
};

constexpr TNumberField<TReceiverProfile> ReceiverNumbers[] = {
    {"freq-tol-pct", &TReceiverProfile::SelcallTolerancePercent, 1.0, PercentRange},
    {"hold-s", &TReceiverProfile::HoldSeconds, 1.0, {0.1, 30.0}},
    {"hold-tol-s", &TReceiverProfile::HoldToleranceSeconds, 1.0, {0.0, 10.0}},
    {"listen-s", &TReceiverProfile::ListenSeconds, 1.0, {0.1, 60.0}},
    {"listen-extra-s", &TReceiverProfile::ListenExtraSeconds, 1.0, {0.0, 60.0}},
};

struct TFieldError {
    std::string Field;
    std::string Problem;
};
using TFieldResult = std::optional<TFieldError>;

std::string Quoted(std::string_view text) {
    return QuotedValue(text, '\'');
}

std::string Plain(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string RangeText(TRange range) {
    return "from " + Plain(range.Least) + " to " + Plain(range.Most);
}

// A number within the range; a decimal comma counts as a point.
std::optional<double> Number(std::string_view text, TRange range) {
    std::string plain(text);
    std::ranges::replace(plain, ',', '.');
    if (plain.empty() || plain.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(plain.c_str(), &end);
    if (end != plain.c_str() + plain.size() || !std::isfinite(value) || value < range.Least ||
        value > range.Most)
        return std::nullopt;
    return value;
}

TFieldError NotNumber(std::string_view key, std::string_view value, std::string_view expected) {
    return {std::string(key), Quoted(value) + " is not " + std::string(expected)};
}

template <class Entry, std::size_t N>
std::optional<TFieldResult> SetNumber(const TNumberField<Entry> (&fields)[N], Entry& entry,
                                      std::string_view key, std::string_view value) {
    for (const TNumberField<Entry>& field : fields) {
        if (field.Key != key)
            continue;
        const auto number = Number(value, field.Range);
        if (!number)
            return TFieldResult{NotNumber(key, value, "a number " + RangeText(field.Range))};
        entry.*field.Member = *number * field.Scale;
        return TFieldResult{};
    }
    return std::nullopt;
}

TFieldError UnknownField(std::string_view key) {
    return {std::string(key), "no such field here"};
}

TFieldResult SetSequenceField(TSequenceLimits& limits, std::string_view key,
                              std::string_view value) {
    if (const auto result = SetNumber(SequenceNumbers, limits, key, value))
        return *result;
    if (key != "repeated")
        return UnknownField(key);
    if (value != "yes" && value != "no")
        return TFieldError{std::string(key), Quoted(value) + " is not yes or no"};
    limits.Repeated = value == "yes";
    return {};
}

TFieldResult SetCallToneField(TCallToneLimits& limits, std::string_view key,
                              std::string_view value) {
    if (const auto result = SetNumber(CallToneNumbers, limits, key, value))
        return *result;
    return UnknownField(key);
}

TFieldResult SetPairField(TTwoTonePair& pair, std::string_view key, std::string_view value) {
    if (const auto result = SetNumber(PairNumbers, pair, key, value))
        return *result;
    if (key != "hz" && key != "tol-hz")
        return UnknownField(key);
    const TRange range = key == "hz" ? FrequencyRange : PairToleranceRange;
    const auto plus = value.find('+');
    const auto first = Number(value.substr(0, plus), range);
    const auto second =
        plus == std::string_view::npos ? std::nullopt : Number(value.substr(plus + 1), range);
    if (!first || !second)
        return NotNumber(key, value,
                         std::string("two numbers joined by '+' (like ") +
                             (key == "hz" ? "675+1240" : "3+5") + "), each " + RangeText(range));
    auto& target = key == "hz" ? pair.FrequenciesHz : pair.TolerancesHz;
    target = {*first, *second};
    return {};
}

// "675+825+1240": any count of numbers joined by '+'.
std::optional<std::vector<double>> NumberList(std::string_view text, TRange range) {
    std::vector<double> numbers;
    for (;;) {
        const auto plus = text.find('+');
        const auto number = Number(text.substr(0, plus), range);
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
        if (plus == std::string_view::npos)
            return numbers;
        text.remove_prefix(plus + 1);
    }
}

TFieldResult SetReceiverField(TReceiverProfile& profile, std::string_view key,
                              std::string_view value) {
    if (const auto result = SetNumber(ReceiverNumbers, profile, key, value))
        return *result;
    if (key != "hz" && key != "tol-hz")
        return UnknownField(key);
    const TRange range = key == "hz" ? FrequencyRange : PairToleranceRange;
    const auto numbers = NumberList(value, range);
    if (!numbers)
        return NotNumber(key, value, "numbers joined by '+', each " + RangeText(range));
    (key == "hz" ? profile.TwoToneHz : profile.TwoToneToleranceHz) = *numbers;
    return {};
}

// Applies every "key=value" of the fields to the entry; the first one that fails stops it.
template <class Entry, class Setter>
TFieldResult ApplyFields(std::string_view fields, Entry& entry, Setter set) {
    std::istringstream words{std::string(fields)};
    std::string word;
    while (words >> word) {
        const auto equals = word.find('=');
        if (equals == std::string::npos || equals == 0)
            return TFieldError{word, "expected FIELD=VALUE"};
        if (auto error = set(entry, std::string_view(word).substr(0, equals),
                             std::string_view(word).substr(equals + 1)))
            return error;
    }
    return {};
}

class TLimitsParser {
public:
    TLimitsParser(TLoadedLimits& loaded, const std::string& fileName)
        : Loaded_(loaded), FileName_(fileName) {}

    void Line(std::string_view line, std::size_t number) {
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.empty())
            return;
        const auto colon = line.find(':');
        const std::string_view head = Trimmed(line.substr(0, colon));
        const auto space = head.find_first_of(" \t");
        const std::string_view kind = head.substr(0, space);
        const std::string name(space == std::string_view::npos ? std::string_view{}
                                                               : Trimmed(head.substr(space)));
        if (colon == std::string_view::npos || name.empty())
            return Report(number, {std::string(kind), "expected KIND NAME: FIELD=VALUE ..."});
        const std::string_view fields = Trimmed(line.substr(colon + 1));
        if (kind == "standard")
            return Standard(name, fields, number);
        if (kind == "calltone")
            return CallTone(name, fields, number);
        if (kind == "twotone")
            return Pair(name, fields, number);
        if (kind == "receiver")
            return Receiver(name, fields, number);
        Report(number,
               {std::string(kind), "no such kind (standard, calltone, twotone or receiver)"});
    }

private:
    void Standard(const std::string& name, std::string_view fields, std::size_t number) {
        const auto standard = ParseToneStandard(name);
        if (!standard)
            return Report(number, {"standard", Quoted(name) + " is no tone standard"});
        TSequenceLimits limits = Loaded_.Limits.Of(*standard);
        if (const auto error = ApplyFields(fields, limits, SetSequenceField))
            return Report(number, *error);
        Loaded_.Limits.Of(*standard) = limits;
    }

    void CallTone(const std::string& name, std::string_view fields, std::size_t number) {
        auto& list = Loaded_.Limits.CallTones;
        const auto found = std::ranges::find(list, name, &TCallToneLimits::Name);
        TCallToneLimits limits = found == list.end() ? TCallToneLimits{name} : *found;
        if (const auto error = ApplyFields(fields, limits, SetCallToneField))
            return Report(number, *error);
        if (limits.FrequencyHz <= 0.0)
            return Report(number, {"hz", "a call tone needs its frequency"});
        if (found == list.end())
            list.push_back(limits);
        else
            *found = limits;
    }

    void Pair(const std::string& alarmType, std::string_view fields, std::size_t number) {
        auto& list = Loaded_.Limits.Pairs;
        const auto found = std::ranges::find(list, alarmType, &TTwoTonePair::AlarmType);
        if (fields == "none") {
            if (found != list.end())
                list.erase(found);
            return;
        }
        TTwoTonePair pair = found == list.end() ? TTwoTonePair{alarmType} : *found;
        if (const auto error = ApplyFields(fields, pair, SetPairField))
            return Report(number, *error);
        // The tones are kept lower first; their tolerances, written in the same order, follow.
        if (pair.FrequenciesHz[0] > pair.FrequenciesHz[1]) {
            std::swap(pair.FrequenciesHz[0], pair.FrequenciesHz[1]);
            std::swap(pair.TolerancesHz[0], pair.TolerancesHz[1]);
        }
        if (pair.FrequenciesHz[0] <= 0.0)
            return Report(number, {"hz", "a two-tone pair needs its frequencies"});
        if (pair.TolerancesHz[1] <= 0.0)
            return Report(number, {"tol-hz", "a two-tone pair needs its tolerances"});
        if (pair.ShortestSeconds > pair.Seconds)
            return Report(number, {"min-s", Plain(pair.ShortestSeconds) + " is above length-s (" +
                                                Plain(pair.Seconds) + ")"});
        if (found == list.end())
            list.push_back(pair);
        else
            *found = pair;
    }

    // Both receiver lines set fields of the one profile; the name says which kind of receiver
    // the line describes, so a reader of the file sees which numbers belong together.
    void Receiver(const std::string& name, std::string_view fields, std::size_t number) {
        if (name != "selcall" && name != "twotone")
            return Report(number, {"receiver", Quoted(name) + " is not selcall or twotone"});
        TReceiverProfile profile = Loaded_.Limits.Receivers;
        if (const auto error = ApplyFields(fields, profile, SetReceiverField))
            return Report(number, *error);
        if (profile.TwoToneHz.size() != profile.TwoToneToleranceHz.size())
            return Report(number, {"tol-hz", "needs one tolerance for each of hz"});
        Loaded_.Limits.Receivers = profile;
    }

    void Report(std::size_t number, const TFieldError& error) {
        Loaded_.Messages.push_back(EscapedControls(FileName_ + ":" + std::to_string(number) +
                                                   ": field " + Quoted(error.Field) + ": " +
                                                   error.Problem + "; the line is ignored"));
    }

    TLoadedLimits& Loaded_;
    const std::string& FileName_;
};

} // namespace

TLoadedLimits ParseToneLimits(std::string_view text, const std::string& fileName) {
    TLoadedLimits loaded{DefaultToneLimits(), fileName, {}};
    TLimitsParser parser(loaded, fileName);
    // Editors on some desktops save UTF-8 with a byte order mark; it is no part of line 1.
    if (text.starts_with(Utf8ByteOrderMark))
        text.remove_prefix(Utf8ByteOrderMark.size());
    std::size_t number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        parser.Line(text.substr(0, end), ++number);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return loaded;
}

std::string LimitsMessageBoxText(const std::vector<std::string>& messages) {
    std::string text;
    const std::size_t shown = std::min(messages.size(), LimitsMessagesShown);
    for (std::size_t i = 0; i < shown; ++i)
        text += (i ? "\n" : "") + messages[i];
    if (messages.size() > shown)
        text += "\n… und " + std::to_string(messages.size() - shown) + " weitere";
    return text;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string QuotedValue(std::string_view text, char quote) {
    // A message shows this much of a value, so one bad line of megabytes cannot make a message
    // box or a terminal unusable.
    constexpr std::size_t QuotedBytes = 40;
    const std::string mark(1, quote);
    if (text.size() <= QuotedBytes)
        return mark + std::string(text) + mark;
    std::size_t cut = QuotedBytes;
    // Never inside a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return mark + std::string(text.substr(0, cut)) + "…" + mark + " (" +
           std::to_string(text.size()) + " bytes)";
}

std::string EscapedControls(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            escaped += c;
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", byte);
        escaped += code;
    }
    return escaped;
}
