#pragma once
// The run-time's text-to-integer conversion.
//
// StrToInt accepts an optional sign followed by decimal digits, the whole text and nothing else,
// within the 32-bit signed range; anything else raises EConvertError with the message
// "'<text>' is not a valid integer value" (so an empty text gives "'' is not a valid integer
// value"). Pure; any thread.

#include "runtime/RunTimeErrors.h"

#include <cstdint>
#include <string_view>

std::int32_t StrToInt(std::string_view text);
