#include "app/testplan/PlanFile.h"

#include "app/options/ItemTextMatch.h"
#include "app/telegram/EncoderTypes.h"
#include "app/tonecheck/LimitsFile.h"

#include <charconv>

namespace {

constexpr std::string_view CodeCharacters = "0123456789ABCDEabcde";

struct TFieldError {
    std::string field;
    std::string problem;
};

std::string Quoted(std::string_view text) {
    return QuotedValue(text, '"');
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const auto end = line.find(';', start);
        fields.push_back(Trimmed(line.substr(start, end - start)));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

std::vector<std::string> EncoderTypeTexts() {
    std::vector<std::string> texts;
    for (const TEncoderType& type : EncoderTypes)
        texts.emplace_back(type.ItemText);
    return texts;
}

std::optional<TFieldError> ReadCode(std::string_view text, const TEncoderType& type) {
    if (const auto bad = text.find_first_not_of(CodeCharacters); bad != std::string_view::npos)
        return TFieldError{"code", Quoted(text) + " holds " + Quoted(text.substr(bad, 1)) +
                                       "; a code holds 0-9 and A-E only"};
    if (text.size() != static_cast<std::size_t>(type.CodeLength))
        return TFieldError{"code", Quoted(text) + " has " + std::to_string(text.size()) +
                                       " characters; " + std::string(type.ItemText) + " needs " +
                                       std::to_string(type.CodeLength)};
    return std::nullopt;
}

std::optional<TFieldError> ReadItem(std::string_view text, const std::vector<std::string>& items,
                                    const char* field, const TEncoderType& type, int& item) {
    const auto matched = MatchItemText(text, items);
    if (!matched)
        return TFieldError{field, Quoted(text) + " is no item " + std::string(type.ItemText) +
                                      " offers (expected one of " + ItemTextList(items) + ")"};
    for (std::size_t index = 0; index < items.size(); ++index)
        if (items[index] == *matched)
            item = static_cast<int>(index);
    return std::nullopt;
}

std::optional<TFieldError> ReadCount(std::string_view text, int& count) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || count < 1 ||
        count > MaxStepCount)
        return TFieldError{"count", Quoted(text) + " is not a whole number from 1 to " +
                                        std::to_string(MaxStepCount)};
    return std::nullopt;
}

// The step a line describes, or what is wrong with its first bad field.
std::optional<TFieldError> ReadStep(std::string_view line, TPlanStep& step) {
    const std::vector<std::string_view> fields = SplitFields(line);
    static const std::vector<std::string> typeTexts = EncoderTypeTexts();
    const auto typeText = MatchItemText(fields[0], typeTexts);
    if (!typeText)
        return TFieldError{"encoder type", Quoted(fields[0]) +
                                               " is no encoder type (expected one of " +
                                               ItemTextList(typeTexts) + ")"};
    const TEncoderType* type = nullptr;
    for (const TEncoderType& candidate : EncoderTypes)
        if (candidate.ItemText == *typeText)
            type = &candidate;
    step.EncoderType = type->Index;
    const TTypeOptionGroups groups = TypeOptionGroups(type->Index);

    const std::vector<const char*> names =
        groups.Tape != nullptr
            ? std::vector<const char*>{"code", "pre-tone", "alarm type", "tape", "count"}
            : std::vector<const char*>{"code", "pre-tone", "alarm type", "count"};
    // Every field but the count must be there.
    if (fields.size() < names.size())
        return TFieldError{names[fields.size() - 1], "missing"};
    if (fields.size() > names.size() + 1)
        return TFieldError{"count", "the line has " + std::to_string(fields.size()) + " fields; " +
                                        std::string(type->ItemText) + " takes " +
                                        std::to_string(names.size() + 1) + " at most"};
    step.Code = std::string(fields[1]);
    if (auto error = ReadCode(fields[1], *type))
        return error;
    if (auto error = ReadItem(fields[2], *groups.PreTone, "pre-tone", *type, step.PreToneItem))
        return error;
    if (auto error =
            ReadItem(fields[3], *groups.AlarmType, "alarm type", *type, step.AlarmTypeItem))
        return error;
    if (groups.Tape != nullptr)
        if (auto error = ReadItem(fields[4], *groups.Tape, "tape", *type, step.TapeItem))
            return error;
    if (fields.size() > names.size())
        return ReadCount(fields.back(), step.Count);
    return std::nullopt;
}

} // namespace

TParsedPlan ParseTestPlan(std::string_view text, const std::string& fileName) {
    TParsedPlan parsed{TTestPlan{fileName, {}}, {}};
    if (text.starts_with(Utf8ByteOrderMark))
        text.remove_prefix(Utf8ByteOrderMark.size());
    for (std::size_t number = 1; !text.empty(); ++number) {
        const auto end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        const std::string_view line = Trimmed(raw.substr(0, raw.find('#')));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty())
            continue;
        TPlanStep step;
        if (const auto error = ReadStep(line, step))
            parsed.Messages.push_back(EscapedControls(fileName + ":" + std::to_string(number) +
                                                      ": field " + Quoted(error->field) + ": " +
                                                      error->problem));
        else
            parsed.Plan->Steps.push_back(std::move(step));
    }
    if (!parsed.Messages.empty())
        parsed.Plan.reset();
    else if (parsed.Plan->Steps.empty())
        return {std::nullopt, {EscapedControls(fileName + ": the plan holds no step")}};
    return parsed;
}
