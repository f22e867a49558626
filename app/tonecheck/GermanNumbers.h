#pragma once
// Numbers as the window's German texts write them: a decimal comma, a sign where a deviation
// is meant. Pure; any thread.

#include <string>

// 1.25 with 1 place: "1,3"; trailing zeros are kept ("5,0").
std::string GermanDecimal(double value, int places);

// +1.62 with 1 place: "+1,6"; never "-0,0" or "+0,0" for a value that rounds to zero: "0,0".
std::string GermanSigned(double value, int places);
