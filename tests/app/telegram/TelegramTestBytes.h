#pragma once
// Byte strings written as hex in the telegram tests: "02 40 31" is the three bytes 0x02 0x40 0x31.

#include <sstream>
#include <string>
#include <string_view>

inline std::string Bytes(std::string_view hex) {
    std::istringstream in{std::string(hex)};
    std::string bytes;
    unsigned value = 0;
    while (in >> std::hex >> value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}
