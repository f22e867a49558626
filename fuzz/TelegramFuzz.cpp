// The telegram builder over any code text and any option items.
//
// Input: the encoder type and the items of RadioGroup1 ... RadioGroup4, one byte each (see
// TFuzzInput::Index), then the code text. A telegram is empty exactly when the type or an item
// the type uses is out of range; otherwise it has the type's frame, the normalised code in its
// place and a checksum that verifies. Items the type does not use change nothing.

#include "app/telegram/EncoderTypes.h"
#include "app/telegram/TelegramBuilder.h"
#include "app/telegram/TelegramTables.h"
#include "fuzz/FuzzCheck.h"

#include <charconv>
#include <climits>
#include <string>

namespace {

struct TOptions {
    int Group1;
    int Group2;
    int Group3;
    int Group4;
};

bool UsesGroup1(const TEncoderType& type) {
    return type.HasPreTone && type.Family == efFiveCharacter;
}

bool UsesGroup4(const TEncoderType& type) {
    return type.HasPreTone && type.Family == efTenCharacter;
}

bool OptionsInRange(const TEncoderType& type, const TOptions& options) {
    return TableByte(AlarmTypeChars, options.Group2) &&
           (!UsesGroup1(type) || TableByte(FiveCharPreToneChars, options.Group1)) &&
           (!UsesGroup4(type) || TableByte(TenCharPreToneChars, options.Group4)) &&
           (!type.HasTape || TableByte(TapeChars, options.Group3));
}

std::size_t ChecksumLength(TChecksumForm form) {
    switch (form) {
    case csRawByte:
        return 1;
    case csHexDigits:
        return 2;
    case csNone:
        break;
    }
    return 0;
}

std::string Build(int type, std::string_view code, const TOptions& options) {
    return BuildTelegram(type, code, options.Group1, options.Group2, options.Group3,
                         options.Group4);
}

// The 8-bit sum of the bytes between the leading 0x0A and the checksum, counted here rather
// than by the builder's own helper, which it would share a fault with.
void CheckChecksum(const std::string& telegram, TChecksumForm form) {
    const std::size_t length = ChecksumLength(form);
    const std::size_t at = telegram.size() - 1 - length;
    unsigned sum = 0;
    for (std::size_t i = 1; i < at; ++i) {
        sum = (sum + static_cast<unsigned char>(telegram[i])) & 0xFF;
    }
    FUZZ_CHECK(TelegramChecksum(std::string_view(telegram).substr(0, at)) == sum);
    if (form == csRawByte) {
        FUZZ_CHECK(static_cast<unsigned char>(telegram[at]) == sum);
    } else if (form == csHexDigits) {
        const std::string digits = telegram.substr(at, 2);
        FUZZ_CHECK(digits == ChecksumHex(static_cast<unsigned char>(sum)));
        unsigned value = 0;
        const auto parsed = std::from_chars(digits.data(), digits.data() + 2, value, 16);
        FUZZ_CHECK(parsed.ec == std::errc() && parsed.ptr == digits.data() + 2 && value == sum);
        FUZZ_CHECK(digits.find_first_not_of("0123456789ABCDEF") == std::string::npos);
    }
}

void CheckTelegram(int typeIndex, std::string_view code, const TOptions& options) {
    const std::string telegram = Build(typeIndex, code, options);
    const TEncoderType* type = FindEncoderType(typeIndex);
    if (type == nullptr || !OptionsInRange(*type, options)) {
        FUZZ_CHECK(telegram.empty());
        return;
    }
    // An unused item far out of range must not empty the telegram or change a byte of it.
    const TOptions unusedOutOfRange{UsesGroup1(*type) ? options.Group1 : INT_MIN, options.Group2,
                                    type->HasTape ? options.Group3 : INT_MIN,
                                    UsesGroup4(*type) ? options.Group4 : INT_MIN};
    FUZZ_CHECK(telegram == Build(typeIndex, code, unusedOutOfRange));

    const bool five = type->Family == efFiveCharacter;
    const std::size_t codeAt = type->HasPreTone ? 2 : 1;
    FUZZ_CHECK(telegram.size() == codeAt + code.size() + 1 + (type->HasTape ? 1 : 0) +
                                      ChecksumLength(type->Checksum) + 1);
    FUZZ_CHECK(telegram.front() == (five ? '\x02' : '\x0A'));
    FUZZ_CHECK(telegram.back() == (five ? '\x03' : '\x0D'));
    FUZZ_CHECK(telegram.compare(codeAt, code.size(), NormaliseCode(code)) == 0);
    CheckChecksum(telegram, type->Checksum);
}

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

// Same length, case-blind, and bytes up to 0x40 (digits among them) pass unchanged.
void CheckNormaliseCode(std::string_view code) {
    const std::string normalised = NormaliseCode(code);
    FUZZ_CHECK(normalised.size() == code.size());
    FUZZ_CHECK(normalised == NormaliseCode(AsciiUpper(code)));
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (static_cast<unsigned char>(code[i]) <= 0x40) {
            FUZZ_CHECK(normalised[i] == code[i]);
        }
    }
}

void CheckFixedTelegram(std::string_view text) {
    const std::string telegram = BuildFixedTelegram(text);
    FUZZ_CHECK(telegram.size() == text.size() + 2);
    FUZZ_CHECK(telegram.front() == '\x02' && telegram.back() == '\x03');
    FUZZ_CHECK(telegram.compare(1, text.size(), text) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const int type = input.Index();
    TOptions options{};
    options.Group1 = input.Index();
    options.Group2 = input.Index();
    options.Group3 = input.Index();
    options.Group4 = input.Index();
    const std::string_view code = input.Rest();
    CheckTelegram(type, code, options);
    CheckNormaliseCode(code);
    CheckFixedTelegram(code);
    return 0;
}
