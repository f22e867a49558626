#include "runtime/StrToInt.h"

#include <charconv>
#include <string>

std::int32_t StrToInt(std::string_view text) {
    std::string_view number = text;
    // from_chars takes a leading '-' but not a '+'.
    if (number.size() > 1 && number.front() == '+' && number[1] != '-')
        number.remove_prefix(1);
    std::int32_t value = 0;
    const char* end = number.data() + number.size();
    auto [stop, error] = std::from_chars(number.data(), end, value);
    if (number.empty() || error != std::errc() || stop != end)
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}
