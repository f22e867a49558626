#include "app/telegram/TelegramBuilder.h"

#include "app/telegram/EncoderTypes.h"
#include "app/telegram/TelegramTables.h"

#include <optional>

namespace {

constexpr char Stx = 0x02;
constexpr char Etx = 0x03;
constexpr char LineFeed = 0x0A;
constexpr char CarriageReturn = 0x0D;

std::optional<char> PreToneByte(const TEncoderType& type, int radioGroup1Item,
                                int radioGroup4Item) {
    return type.Family == efFiveCharacter ? TableByte(FiveCharPreToneChars, radioGroup1Item)
                                          : TableByte(TenCharPreToneChars, radioGroup4Item);
}

} // namespace

std::string NormaliseCode(std::string_view text) {
    std::string code;
    code.reserve(text.size());
    for (const char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 'a' && byte <= 'z') {
            byte = static_cast<unsigned char>(byte - 'a' + 'A');
        }
        if (byte > 0x40) {
            byte = static_cast<unsigned char>(byte - 7);
        }
        code.push_back(static_cast<char>(byte));
    }
    return code;
}

unsigned char TelegramChecksum(std::string_view body) {
    unsigned char sum = 0;
    for (const char c : body.substr(body.empty() ? 0 : 1)) {
        sum = static_cast<unsigned char>(sum + static_cast<unsigned char>(c));
    }
    return sum;
}

std::string ChecksumHex(unsigned char sum) {
    constexpr std::string_view Digits = "0123456789ABCDEF";
    return {Digits[sum >> 4], Digits[sum & 0x0F]};
}

std::string BuildTelegram(int encoderType, std::string_view codeText, int radioGroup1Item,
                          int radioGroup2Item, int radioGroup3Item, int radioGroup4Item) {
    const TEncoderType* type = FindEncoderType(encoderType);
    if (type == nullptr) {
        return {};
    }
    const std::optional<char> alarmType = TableByte(AlarmTypeChars, radioGroup2Item);
    const std::optional<char> preTone = PreToneByte(*type, radioGroup1Item, radioGroup4Item);
    const std::optional<char> tape = TableByte(TapeChars, radioGroup3Item);
    if (!alarmType || (type->HasPreTone && !preTone) || (type->HasTape && !tape)) {
        return {};
    }

    const bool fiveCharacter = type->Family == efFiveCharacter;
    std::string telegram(1, fiveCharacter ? Stx : LineFeed);
    if (type->HasPreTone) {
        telegram += *preTone;
    }
    telegram += NormaliseCode(codeText);
    telegram += *alarmType;
    if (type->HasTape) {
        telegram += *tape;
    }
    if (type->Checksum == csRawByte) {
        telegram += static_cast<char>(TelegramChecksum(telegram));
    } else if (type->Checksum == csHexDigits) {
        telegram += ChecksumHex(TelegramChecksum(telegram));
    }
    telegram += fiveCharacter ? Etx : CarriageReturn;
    return telegram;
}

std::string BuildFixedTelegram(std::string_view text) {
    std::string telegram(1, Stx);
    telegram += text;
    telegram += Etx;
    return telegram;
}
