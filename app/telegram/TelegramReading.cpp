#include "app/telegram/TelegramReading.h"

#include "app/telegram/TelegramBuilder.h"
#include "app/telegram/TelegramTables.h"

#include <algorithm>

namespace {

constexpr std::size_t CodeLength = 5;

std::optional<int> ItemOf(std::string_view table, char byte) {
    const std::size_t at = table.find(byte);
    if (at == std::string_view::npos)
        return std::nullopt;
    return static_cast<int>(at);
}

} // namespace

std::optional<std::string> TypedCode(std::string_view normalised) {
    std::string typed;
    for (const char byte : normalised) {
        if (byte >= '0' && byte <= '9')
            typed += byte;
        else if (byte >= ':' && byte <= '>')
            typed += static_cast<char>(byte + 7);
        else
            return std::nullopt;
    }
    return typed;
}

std::string ExpectedSymbols(std::string_view typedCode) {
    std::string symbols(typedCode);
    std::transform(symbols.begin(), symbols.end(), symbols.begin(),
                   [](char c) { return c >= 'a' && c <= 'e' ? static_cast<char>(c - 32) : c; });
    return symbols;
}

TFixedEntryView ViewFixedEntry(std::string_view entry) {
    const std::optional<int> alarmType =
        entry.empty() ? std::nullopt : ItemOf(AlarmTypeChars, entry.back());
    if (alarmType && entry.size() == CodeLength + 2) {
        const std::optional<int> preTone = ItemOf(FiveCharPreToneChars, entry.front());
        if (const auto code = TypedCode(entry.substr(1, CodeLength)); code && preTone)
            return {*code, preTone, alarmType};
    }
    if (alarmType && entry.size() == CodeLength + 1) {
        if (const auto code = TypedCode(entry.substr(0, CodeLength)))
            return {*code, std::nullopt, alarmType};
    }
    // The encoder takes the body of no other layout, so it sounds nothing.
    return {};
}

std::string TelegramHex(std::string_view telegram) {
    std::string hex;
    for (const char byte : telegram) {
        if (!hex.empty())
            hex += ' ';
        hex += ChecksumHex(static_cast<unsigned char>(byte));
    }
    return hex;
}
