#include "app/window/WindowRules.h"

#include "app/telegram/EncoderTypes.h"

#include <charconv>
#include <limits>

bool IsCodeCharacter(char32_t typed) {
    return typed == Backspace || (typed >= U'0' && typed <= U'9') ||
           (typed >= U'A' && typed <= U'E') || (typed >= U'a' && typed <= U'e');
}

std::uint16_t PortNumberFromEntry(std::string_view entry) {
    const std::string_view digits = entry.size() > 3 ? entry.substr(3) : std::string_view{};
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9' || error != std::errc{} ||
        end != digits.data() + digits.size() || value > std::numeric_limits<std::uint16_t>::max())
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
