// Telegram layouts, checksums, code normalisation and the fixed-code frame, byte for byte, and
// telegrams read back.

#include "app/telegram/TelegramBuilder.h"

#include "app/telegram/EncoderTypes.h"
#include "app/telegram/TelegramReading.h"
#include "tests/app/telegram/TelegramTestBytes.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The window's option groups at their initial items.
constexpr int InitialPreTone5 = 0;
constexpr int InitialAlarmType = 6;
constexpr int InitialTape = 1;
constexpr int InitialPreTone10 = 0;

struct TTelegramCase {
    int Type;
    std::string_view Code;
    int FiveCharPreTone, AlarmType, Tape, TenCharPreTone;
    std::string_view Expected; // hex
};

TEST(BuildTelegramTest, WorkedExamples) {
    const TTelegramCase cases[] = {
        {etStandartNeu, "12345", InitialPreTone5, InitialAlarmType, InitialTape, InitialPreTone10,
         "02 40 31 32 33 34 35 49 03"},
        {etStandartAlt, "12345", InitialPreTone5, InitialAlarmType, InitialTape, InitialPreTone10,
         "02 31 32 33 34 35 49 03"},
        {etZukGeber, "12345", InitialPreTone5, InitialAlarmType, InitialTape, InitialPreTone10,
         "02 40 31 32 33 34 35 49 03"},
        {etVami10, "12345ABCDE", InitialPreTone5, InitialAlarmType, InitialTape, InitialPreTone10,
         "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B3 0D"},
        {etVami13, "12345ABCDE", InitialPreTone5, InitialAlarmType, InitialTape, InitialPreTone10,
         "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 E3 0D"},
        {etVami14, "12345ABCDE", InitialPreTone5, InitialAlarmType, InitialTape, InitialPreTone10,
         "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 45 33 0D"},
        {etVami20, "12345ABCDE", InitialPreTone5, InitialAlarmType, InitialTape, InitialPreTone10,
         "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 42 33 0D"},
        // Lower-case letters normalise like upper-case ones; table bytes 0x38 and 0x46 stay.
        {etStandartNeu, "1a2b3", 5, 0, InitialTape, InitialPreTone10, "02 38 31 3A 32 3B 33 46 03"},
        // A sum of 0x0A keeps its leading zero.
        {etVami14, "0123456789", InitialPreTone5, 0, 0, 3,
         "0A 63 30 31 32 33 34 35 36 37 38 39 46 54 30 41 0D"},
        // Raw checksums 0x0A and 0x0D go out unchanged.
        {etVami13, "0123456789", InitialPreTone5, 0, 0, 3,
         "0A 63 30 31 32 33 34 35 36 37 38 39 46 54 0A 0D"},
        {etVami13, "012345678C", InitialPreTone5, 0, 0, 3,
         "0A 63 30 31 32 33 34 35 36 37 38 3C 46 54 0D 0D"},
        // Pasted letters beyond 'E' are lowered all the same.
        {etStandartAlt, "FZ1fz", InitialPreTone5, InitialAlarmType, InitialTape, InitialPreTone10,
         "02 3F 53 31 3F 53 49 03"},
        // Pre-tone bytes above 0x40 are never lowered.
        {etZukGeber, "00000", 6, 3, InitialTape, InitialPreTone10, "02 41 30 30 30 30 30 41 03"},
        {etStandartNeu, "00000", 9, 9, InitialTape, InitialPreTone10, "02 44 30 30 30 30 30 40 03"},
    };
    for (const TTelegramCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.Type << " code " << c.Code);
        EXPECT_EQ(TelegramHex(BuildTelegram(c.Type, c.Code, c.FiveCharPreTone, c.AlarmType, c.Tape,
                                            c.TenCharPreTone)),
                  c.Expected);
    }
}

TEST(BuildTelegramTest, EveryAlarmTypeByteGoesOutAsItStands) {
    const std::string_view alarmBytes = "46 50 57 41 4B 45 49 60 69 40";
    std::string seen;
    for (int item = 0; item < 10; ++item) {
        const std::string telegram =
            BuildTelegram(etStandartAlt, "12345", InitialPreTone5, item, InitialTape, 0);
        ASSERT_EQ(telegram.size(), 8U);
        seen += telegram[6];
    }
    EXPECT_EQ(TelegramHex(seen), alarmBytes);
}

TEST(BuildTelegramTest, TenCharacterTypesTakeAlarmTypeFromAlarmType) {
    for (int type = etVami10; type <= etVami20; ++type) {
        const std::string telegram = BuildTelegram(type, "0000000000", 0, 0, 0, 0);
        ASSERT_GT(telegram.size(), 12U);
        EXPECT_EQ(telegram[12], 'F') << type;
    }
}

TEST(BuildTelegramTest, EveryTenCharacterPreToneItemGivesItsLetter) {
    const std::string letters = "?abcdefghijklmnopqrstuvwxyz\xE4";
    ASSERT_EQ(letters.size(), 28U);
    for (int item = 0; item < 28; ++item) {
        const std::string telegram = BuildTelegram(etVami20, "0123456789", InitialPreTone5,
                                                   InitialAlarmType, InitialTape, item);
        ASSERT_EQ(telegram.size(), 16U) << item;
        EXPECT_EQ(telegram[1], letters[static_cast<std::size_t>(item)]) << item;
    }
    const std::string last = BuildTelegram(etVami10, "0000000000", 0, InitialAlarmType, 0, 27);
    EXPECT_EQ(static_cast<unsigned char>(last[1]), 0xE4);
}

TEST(BuildTelegramTest, TypesAndLengthsWithAFullLengthCode) {
    const std::size_t lengths[] = {9, 8, 9, 15, 16, 17, 16};
    for (const TEncoderType& type : EncoderTypes) {
        const std::string code(static_cast<std::size_t>(type.CodeLength), '1');
        const std::string telegram = BuildTelegram(type.Index, code, 0, 0, 0, 0);
        EXPECT_EQ(telegram.size(), lengths[type.Index]) << type.ItemText;
        EXPECT_EQ(telegram.front(), type.Family == efFiveCharacter ? '\x02' : '\x0A');
        EXPECT_EQ(telegram.back(), type.Family == efFiveCharacter ? '\x03' : '\x0D');
    }
}

TEST(BuildFixedTelegramTest, FramesTheTextUnchanged) {
    EXPECT_EQ(TelegramHex(BuildFixedTelegram("1234A")), "02 31 32 33 34 41 03");
    EXPECT_EQ(TelegramHex(BuildFixedTelegram("")), "02 03");
    EXPECT_EQ(TelegramHex(BuildFixedTelegram(Bytes("00 0D FF"))), "02 00 0D FF 03");
}

TEST(NormaliseCodeTest, LettersUpperCasedThenLoweredBySeven) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", ""},
        {"0123456789", "30 31 32 33 34 35 36 37 38 39"},
        {"ABCDE", "3A 3B 3C 3D 3E"},
        {"abcde", "3A 3B 3C 3D 3E"},
        {"FZfz", "3F 53 3F 53"},
        {"@`{", "40 59 74"},
        {"\xE4\x7F ", "DD 78 20"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(TelegramHex(NormaliseCode(text)), expected) << text;
    }
}

TEST(ChecksumTest, EightBitSumAfterTheLeadingLineFeed) {
    EXPECT_EQ(TelegramChecksum(""), 0);
    EXPECT_EQ(TelegramChecksum(Bytes("0A")), 0);
    EXPECT_EQ(TelegramChecksum(Bytes("0A 01 02")), 3);
    EXPECT_EQ(TelegramChecksum(Bytes("0A FF FF 03")), 0x01);
}

TEST(ChecksumTest, HexDigitsAreTwoUpperCaseWithLeadingZero) {
    const std::pair<unsigned char, std::string_view> cases[] = {
        {0x00, "00"}, {0x0A, "0A"}, {0xB3, "B3"}, {0xE3, "E3"}, {0xFF, "FF"}};
    for (const auto& [sum, digits] : cases) {
        EXPECT_EQ(ChecksumHex(sum), digits);
    }
}

TEST(TelegramReadingTest, WhatAFixedEntrySounds) {
    const struct {
        const char* Entry;
        const char* Symbols;
        std::optional<int> PreTone, AlarmType;
    } cases[] = {
        {"@62380@", "62380", 0, 9},                  // a five-character telegram's body
        {"A1:3>5F", "1A3E5", 6, 0},                  // normalised letters come back
        {"12345I", "12345", std::nullopt, 6},        // the old layout without pre-tone
        {"1234a", "", std::nullopt, std::nullopt},   // no layout: the encoder sounds nothing
        {"@6238X@", "", std::nullopt, std::nullopt}, // not a code
        {"", "", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const TFixedEntryView view = ViewFixedEntry(c.Entry);
        EXPECT_EQ(view.Symbols, c.Symbols) << c.Entry;
        EXPECT_EQ(view.PreToneItem, c.PreTone) << c.Entry;
        EXPECT_EQ(view.AlarmTypeItem, c.AlarmType) << c.Entry;
    }
    EXPECT_EQ(ExpectedSymbols("1a2b3"), "1A2B3");
    EXPECT_EQ(TelegramHex(BuildTelegram(etStandartNeu, "1a2B3", 0, 6, 1, 0)),
              "02 40 31 3A 32 3B 33 49 03");
    EXPECT_EQ(TypedCode(NormaliseCode("09aE")), "09AE");
    EXPECT_EQ(TypedCode("12F45"), std::nullopt);
}

} // namespace
