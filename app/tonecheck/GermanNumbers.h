#pragma once
// Numbers as the window's German texts write them: a decimal comma, a sign where a deviation
// is meant. Pure; any thread.

#include <string>
#include <vector>

// 1.25 with 1 place: "1,3"; trailing zeros are kept ("5,0").
std::string GermanDecimal(double value, int places);

// +1.62 with 1 place: "+1,6"; never "-0,0" or "+0,0" for a value that rounds to zero: "0,0".
std::string GermanSigned(double value, int places);

// The fewest places, from `places` up to MorePlacesAtMost more, at which the two lists read
// differently as GermanDecimal writes them, so a miss never reads "1060 Hz statt 1060 Hz".
inline constexpr int MorePlacesAtMost = 3;
int PlacesToTellApart(const std::vector<double>& a, const std::vector<double>& b, int places);
