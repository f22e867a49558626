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

inline std::string Hex(std::string_view bytes) {
    constexpr std::string_view Digits = "0123456789ABCDEF";
    std::string hex;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!hex.empty()) {
            hex += ' ';
        }
        hex += Digits[byte >> 4];
        hex += Digits[byte & 0x0F];
    }
    return hex;
}
