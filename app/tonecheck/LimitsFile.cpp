#include "app/tonecheck/LimitsFile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

template <class Entry> struct NumberField {
    std::string_view key;
    double Entry::*member;
    double scale; // to the unit the limits hold: seconds, hertz, percent
};

constexpr NumberField<SequenceLimits> SequenceNumbers[] = {
    {"tone-ms", &SequenceLimits::toneSeconds, 0.001},
    {"tone-tol-ms", &SequenceLimits::toneToleranceSeconds, 0.001},
    {"freq-tol-pct", &SequenceLimits::frequencyTolerancePercent, 1.0},
    {"code-tol-ms", &SequenceLimits::codeToleranceSeconds, 0.001},
    {"pause-ms", &SequenceLimits::pauseSeconds, 0.001},
    {"pause-tol-ms", &SequenceLimits::pauseToleranceSeconds, 0.001},
};

constexpr NumberField<CallToneLimits> CallToneNumbers[] = {
    {"hz", &CallToneLimits::frequencyHz, 1.0},
    {"tol-pct", &CallToneLimits::tolerancePercent, 1.0},
    {"kurz-s", &CallToneLimits::shortSeconds, 1.0},
    {"lang-s", &CallToneLimits::longSeconds, 1.0},
    {"length-tol-s", &CallToneLimits::lengthToleranceSeconds, 1.0},
};

constexpr NumberField<TwoTonePair> PairNumbers[] = {
    {"delay-s", &TwoTonePair::delaySeconds, 1.0},
    {"delay-tol-s", &TwoTonePair::delayToleranceSeconds, 1.0},
    {"length-s", &TwoTonePair::seconds, 1.0},
    {"min-s", &TwoTonePair::shortestSeconds, 1.0},
};

struct FieldError {
    std::string field;
    std::string problem;
};
using FieldResult = std::optional<FieldError>;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A number of at least zero; a decimal comma counts as a point.
std::optional<double> Number(std::string_view text) {
    std::string plain(text);
    std::ranges::replace(plain, ',', '.');
    if (plain.empty() || plain.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(plain.c_str(), &end);
    if (end != plain.c_str() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

FieldError NotNumber(std::string_view key, std::string_view value, std::string_view expected) {
    return {std::string(key), "'" + std::string(value) + "' is not " + std::string(expected)};
}

template <class Entry, std::size_t N>
std::optional<FieldResult> SetNumber(const NumberField<Entry> (&fields)[N], Entry& entry,
                                     std::string_view key, std::string_view value) {
    for (const NumberField<Entry>& field : fields) {
        if (field.key != key)
            continue;
        const auto number = Number(value);
        if (!number)
            return FieldResult{NotNumber(key, value, "a number of at least 0")};
        entry.*field.member = *number * field.scale;
        return FieldResult{};
    }
    return std::nullopt;
}

FieldError UnknownField(std::string_view key) {
    return {std::string(key), "no such field here"};
}

FieldResult SetSequenceField(SequenceLimits& limits, std::string_view key, std::string_view value) {
    if (const auto result = SetNumber(SequenceNumbers, limits, key, value))
        return *result;
    if (key != "repeated")
        return UnknownField(key);
    if (value != "yes" && value != "no")
        return FieldError{std::string(key), "'" + std::string(value) + "' is not yes or no"};
    limits.repeated = value == "yes";
    return {};
}

FieldResult SetCallToneField(CallToneLimits& limits, std::string_view key,
                             std::string_view value) {
    if (const auto result = SetNumber(CallToneNumbers, limits, key, value))
        return *result;
    return UnknownField(key);
}

FieldResult SetPairField(TwoTonePair& pair, std::string_view key, std::string_view value) {
    if (const auto result = SetNumber(PairNumbers, pair, key, value))
        return *result;
    if (key != "hz" && key != "tol-hz")
        return UnknownField(key);
    const auto plus = value.find('+');
    const auto first = Number(value.substr(0, plus));
    const auto second =
        plus == std::string_view::npos ? std::nullopt : Number(value.substr(plus + 1));
    if (!first || !second)
        return NotNumber(key, value, "two numbers joined by '+', like 675+1240");
    auto& target = key == "hz" ? pair.frequenciesHz : pair.tolerancesHz;
    target = {*first, *second};
    return {};
}

// Applies every "key=value" of the fields to the entry; the first one that fails stops it.
template <class Entry, class Setter>
FieldResult ApplyFields(std::string_view fields, Entry& entry, Setter set) {
    std::istringstream words{std::string(fields)};
    std::string word;
    while (words >> word) {
        const auto equals = word.find('=');
        if (equals == std::string::npos || equals == 0)
            return FieldError{word, "expected FIELD=VALUE"};
        if (auto error = set(entry, std::string_view(word).substr(0, equals),
                             std::string_view(word).substr(equals + 1)))
            return error;
    }
    return {};
}

class LimitsParser {
public:
    LimitsParser(LoadedLimits& loaded, const std::string& fileName)
        : loaded_(loaded), fileName_(fileName) {}

    void Line(std::string_view line, std::size_t number) {
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.empty())
            return;
        const auto colon = line.find(':');
        const std::string_view head = Trimmed(line.substr(0, colon));
        const auto space = head.find_first_of(" \t");
        const std::string_view kind = head.substr(0, space);
        const std::string name(
            space == std::string_view::npos ? std::string_view{} : Trimmed(head.substr(space)));
        if (colon == std::string_view::npos || name.empty())
            return Report(number, {std::string(kind), "expected KIND NAME: FIELD=VALUE ..."});
        const std::string_view fields = Trimmed(line.substr(colon + 1));
        if (kind == "standard")
            return Standard(name, fields, number);
        if (kind == "calltone")
            return CallTone(name, fields, number);
        if (kind == "twotone")
            return Pair(name, fields, number);
        Report(number, {std::string(kind), "no such kind (standard, calltone or twotone)"});
    }

private:
    void Standard(const std::string& name, std::string_view fields, std::size_t number) {
        const auto standard = ParseToneStandard(name);
        if (!standard)
            return Report(number, {"standard", "'" + name + "' is no tone standard"});
        SequenceLimits limits = loaded_.limits.Of(*standard);
        if (const auto error = ApplyFields(fields, limits, SetSequenceField))
            return Report(number, *error);
        loaded_.limits.Of(*standard) = limits;
    }

    void CallTone(const std::string& name, std::string_view fields, std::size_t number) {
        auto& list = loaded_.limits.callTones;
        const auto found = std::ranges::find(list, name, &CallToneLimits::name);
        CallToneLimits limits = found == list.end() ? CallToneLimits{name} : *found;
        if (const auto error = ApplyFields(fields, limits, SetCallToneField))
            return Report(number, *error);
        if (limits.frequencyHz <= 0.0)
            return Report(number, {"hz", "a call tone needs its frequency"});
        if (found == list.end())
            list.push_back(limits);
        else
            *found = limits;
    }

    void Pair(const std::string& alarmType, std::string_view fields, std::size_t number) {
        auto& list = loaded_.limits.pairs;
        const auto found = std::ranges::find(list, alarmType, &TwoTonePair::alarmType);
        if (fields == "none") {
            if (found != list.end())
                list.erase(found);
            return;
        }
        TwoTonePair pair = found == list.end() ? TwoTonePair{alarmType} : *found;
        if (const auto error = ApplyFields(fields, pair, SetPairField))
            return Report(number, *error);
        // The tones are kept lower first; their tolerances, written in the same order, follow.
        if (pair.frequenciesHz[0] > pair.frequenciesHz[1]) {
            std::swap(pair.frequenciesHz[0], pair.frequenciesHz[1]);
            std::swap(pair.tolerancesHz[0], pair.tolerancesHz[1]);
        }
        if (pair.frequenciesHz[0] <= 0.0)
            return Report(number, {"hz", "a two-tone pair needs its frequencies"});
        if (pair.tolerancesHz[1] <= 0.0)
            return Report(number, {"tol-hz", "a two-tone pair needs its tolerances"});
        if (found == list.end())
            list.push_back(pair);
        else
            *found = pair;
    }

    void Report(std::size_t number, const FieldError& error) {
        loaded_.messages.push_back(fileName_ + ":" + std::to_string(number) + ": field '" +
                                   error.field + "': " + error.problem +
                                   "; the line is ignored");
    }

    LoadedLimits& loaded_;
    const std::string& fileName_;
};

} // namespace

LoadedLimits ParseToneLimits(std::string_view text, const std::string& fileName) {
    LoadedLimits loaded{DefaultToneLimits(), fileName, {}};
    LimitsParser parser(loaded, fileName);
    std::size_t number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        parser.Line(text.substr(0, end), ++number);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return loaded;
}

LoadedLimits LoadToneLimits(const std::vector<std::filesystem::path>& candidates) {
    for (const std::filesystem::path& path : candidates) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            continue;
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        if (!file && !file.eof())
            return {DefaultToneLimits(), {}, {path.string() + ": cannot be read; the defaults stand"}};
        return ParseToneLimits(text.str(), path.string());
    }
    return {DefaultToneLimits(), {}, {}};
}

std::vector<std::filesystem::path> LimitsFileCandidates(const std::filesystem::path& programFolder) {
    std::vector<std::filesystem::path> candidates{LimitsFileName};
    if (!programFolder.empty())
        candidates.push_back(programFolder / ".." / "share" / "quorvane" / LimitsFileName);
    candidates.push_back(std::filesystem::path(QUORVANE_DATA_DIR) / LimitsFileName);
    return candidates;
}
