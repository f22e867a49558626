#include "app/tonecheck/GermanNumbers.h"

#include <cmath>
#include <cstdio>

std::string GermanDecimal(double value, int places) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    std::string result(text);
    if (result.starts_with("-") && result.find_first_not_of("-0.") == std::string::npos)
        result.erase(0, 1);
    if (const std::size_t dot = result.find('.'); dot != std::string::npos)
        result[dot] = ',';
    return result;
}

std::string GermanSigned(double value, int places) {
    const std::string text = GermanDecimal(value, places);
    return text.starts_with("-") || text.find_first_not_of("0,") == std::string::npos ? text
                                                                                      : "+" + text;
}

int PlacesToTellApart(const std::vector<double>& a, const std::vector<double>& b, int places) {
    const auto apart = [&](int shown) {
        if (a.size() != b.size())
            return true;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (GermanDecimal(a[i], shown) != GermanDecimal(b[i], shown))
                return true;
        return false;
    };
    int shown = places;
    while (shown < places + MorePlacesAtMost && !apart(shown))
        ++shown;
    return shown;
}
