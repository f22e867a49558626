#include "app/window/WindowRules.h"

#include "app/telegram/EncoderTypes.h"
#include "runtime/StrToInt.h"

#include <algorithm>
#include <limits>
#include <utility>

bool IsCodeCharacter(char32_t typed) {
    return typed == Backspace || (typed >= U'0' && typed <= U'9') ||
           (typed >= U'A' && typed <= U'E') || (typed >= U'a' && typed <= U'e');
}

TFilteredCode FilterCodeEdit(std::u32string_view before, std::u32string_view edited,
                             std::size_t cursor, std::size_t maxLength) {
    TFilteredCode result{{}, 0};
    for (std::size_t i = 0; i < edited.size(); ++i) {
        if (edited[i] == Backspace || !IsCodeCharacter(edited[i]))
            continue;
        result.Text.push_back(edited[i]);
        if (i < cursor)
            ++result.Cursor;
    }
    if (result.Text.size() <= maxLength)
        return result;
    // The inserted part lies between what the text still shares with `before` at both ends.
    const std::u32string& text = result.Text;
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < text.size() && before[prefix] == text[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < text.size() - prefix &&
           before[before.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    const std::size_t kept = text.size() - prefix - suffix;
    const std::size_t room = maxLength > prefix + suffix ? maxLength - prefix - suffix : 0;
    const std::size_t inserted = std::min(kept, room);
    std::u32string cut = text.substr(0, prefix) + text.substr(prefix, inserted);
    cut += text.substr(text.size() - suffix);
    cut.resize(std::min(cut.size(), maxLength));
    return {std::move(cut), std::min(prefix + inserted, maxLength)};
}

std::uint16_t PortNumberFromEntry(std::string_view entry) {
    const std::string_view digits = entry.size() > 3 ? entry.substr(3) : std::string_view{};
    // A port number has no sign and fits the port property.
    const bool unsignedDigits = !digits.empty() && digits.front() >= '0' && digits.front() <= '9';
    const std::int32_t value = unsignedDigits ? StrToInt(digits) : -1;
    if (value < 0 || value > std::numeric_limits<std::uint16_t>::max())
        throw EConvertError("'" + std::string(digits) + "' is not a valid integer value");
    return static_cast<std::uint16_t>(value);
}

TEncoderTypeView ViewForEncoderType(int typeIndex) {
    const TEncoderType* type = FindEncoderType(typeIndex);
    const int maxLength = type != nullptr ? type->CodeLength : 10;
    switch (typeIndex) {
    case 0:
    case 1:
        return {maxLength, false, true, false, true, false, false};
    case 2:
        return {maxLength, false, true, false, true, false, true};
    case 3:
    case 6:
        return {maxLength, false, false, true, false, true, false};
    default:
        return {maxLength, true, false, true, false, true, false};
    }
}

bool TriggerArmed(std::size_t codeLength, int maxLength) {
    return maxLength >= 0 && codeLength == static_cast<std::size_t>(maxLength);
}
