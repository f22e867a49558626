#include "app/telegram/TelegramBuilder.h"

#include "app/telegram/EncoderTypes.h"
#include "app/telegram/TelegramTables.h"

#include <optional>

namespace {

constexpr char Stx = 0x02;
constexpr char Etx = 0x03;
constexpr char LineFeed = 0x0A;
constexpr char CarriageReturn = 0x0D;

std::optional<char> PreToneByte(const TEncoderType& type, int fiveCharPreTone, int tenCharPreTone) {
    return type.Family == efFiveCharacter ? TableByte(FiveCharPreToneChars, fiveCharPreTone)
                                          : TableByte(TenCharPreToneChars, tenCharPreTone);
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

std::string BuildTelegram(int encoderType, std::string_view codeText, int fiveCharPreTone,
                          int alarmType, int tape, int tenCharPreTone) {
    const TEncoderType* type = FindEncoderType(encoderType);
    if (type == nullptr) {
        return {};
    }
    const std::optional<char> alarmTypeByte = TableByte(AlarmTypeChars, alarmType);
    const std::optional<char> preToneByte = PreToneByte(*type, fiveCharPreTone, tenCharPreTone);
    const std::optional<char> tapeByte = TableByte(TapeChars, tape);
    if (!alarmTypeByte || (type->HasPreTone && !preToneByte) || (type->HasTape && !tapeByte)) {
        return {};
    }

    const bool fiveCharacter = type->Family == efFiveCharacter;
    std::string telegram(1, fiveCharacter ? Stx : LineFeed);
    if (type->HasPreTone) {
        telegram += *preToneByte;
    }
    telegram += NormaliseCode(codeText);
    telegram += *alarmTypeByte;
    if (type->HasTape) {
        telegram += *tapeByte;
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
