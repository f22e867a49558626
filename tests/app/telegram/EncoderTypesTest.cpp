// The encoder-type list and the safe behaviour for types and option items outside their tables.

#include "app/telegram/EncoderTypes.h"

#include "app/telegram/TelegramBuilder.h"
#include "app/telegram/TelegramTables.h"

#include <climits>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

TEST(EncoderTypesTest, SevenTypesAsTheSelectorShowsThem) {
    struct TExpected {
        std::string_view ItemText;
        int CodeLength;
        TEncoderFamily Family;
    };
    const TExpected expected[] = {
        {"Standart  neu", 5, efFiveCharacter}, {"Standart alt", 5, efFiveCharacter},
        {"ZUK  Geber", 5, efFiveCharacter},    {"VAMI 1.0", 10, efTenCharacter},
        {"VAMI 1.3", 10, efTenCharacter},      {"VAMI 1.4", 10, efTenCharacter},
        {"VAMI 2.0", 10, efTenCharacter},
    };
    ASSERT_EQ(EncoderTypes.size(), std::size(expected));
    for (int i = 0; i < 7; ++i) {
        const TEncoderType* type = FindEncoderType(i);
        ASSERT_NE(type, nullptr);
        EXPECT_EQ(type->Index, i);
        EXPECT_EQ(type->ItemText, expected[i].ItemText);
        EXPECT_EQ(type->CodeLength, expected[i].CodeLength);
        EXPECT_EQ(type->Family, expected[i].Family);
    }
    EXPECT_EQ(FindEncoderType(-1), nullptr);
    EXPECT_EQ(FindEncoderType(7), nullptr);
}

TEST(TelegramTablesTest, TableByteRefusesItemsOutsideTheTable) {
    EXPECT_EQ(TableByte(TapeChars, 0), 'T');
    EXPECT_EQ(TableByte(TapeChars, 1), '0');
    for (const int item : {-1, 2, INT_MAX, INT_MIN}) {
        EXPECT_FALSE(TableByte(TapeChars, item).has_value()) << item;
    }
    EXPECT_EQ(FiveCharPreToneChars.size(), 10U);
    EXPECT_EQ(TenCharPreToneChars.size(), 28U);
    EXPECT_EQ(AlarmTypeChars.size(), 10U);
}

TEST(OutOfRangeTest, UnknownTypeGivesEmptyTelegram) {
    for (const int type : {-1, 7, INT_MAX, INT_MIN}) {
        EXPECT_TRUE(BuildTelegram(type, "12345", 0, 6, 1, 0).empty()) << type;
    }
}

TEST(OutOfRangeTest, UsedItemOutsideItsTableGivesEmptyTelegram) {
    struct TCase {
        int Type;
        int FiveCharPreTone, AlarmType, Tape, TenCharPreTone;
    };
    const TCase cases[] = {
        {etStandartNeu, 10, 6, 1, 0}, {etZukGeber, -1, 6, 1, 0}, {etStandartAlt, 0, 10, 1, 0},
        {etStandartNeu, 0, -1, 1, 0}, {etVami10, 0, 6, 1, 28},   {etVami20, 0, 6, 1, -1},
        {etVami13, 0, 6, 2, 0},       {etVami14, 0, 6, -1, 0},   {etVami10, 0, INT_MIN, 1, 0},
    };
    for (const TCase& c : cases) {
        const std::string code(10, '1');
        EXPECT_TRUE(
            BuildTelegram(c.Type, code, c.FiveCharPreTone, c.AlarmType, c.Tape, c.TenCharPreTone)
                .empty())
            << c.Type;
    }
}

TEST(OutOfRangeTest, UnusedItemsDoNotMatter) {
    EXPECT_EQ(BuildTelegram(etStandartAlt, "12345", 99, 6, 99, 99),
              BuildTelegram(etStandartAlt, "12345", 0, 6, 1, 0));
    EXPECT_EQ(BuildTelegram(etStandartNeu, "12345", 0, 6, -7, 1000),
              BuildTelegram(etStandartNeu, "12345", 0, 6, 1, 0));
    EXPECT_EQ(BuildTelegram(etVami10, "1234567890", -3, 6, 5, 0),
              BuildTelegram(etVami10, "1234567890", 0, 6, 1, 0));
    EXPECT_EQ(BuildTelegram(etVami20, "1234567890", 12, 6, -1, 0),
              BuildTelegram(etVami20, "1234567890", 0, 6, 1, 0));
}

TEST(OutOfRangeTest, ArbitraryInputsNeverBreakTheFrame) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> item(-40, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 5000; ++round) {
        std::string code(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : code) {
            c = static_cast<char>(byte(random));
        }
        const int type = item(random) / 4;
        const std::string telegram =
            BuildTelegram(type, code, item(random), item(random), item(random), item(random));
        if (telegram.empty()) {
            continue;
        }
        const TEncoderType* known = FindEncoderType(type);
        ASSERT_NE(known, nullptr);
        const bool five = known->Family == efFiveCharacter;
        EXPECT_EQ(telegram.front(), five ? '\x02' : '\x0A');
        EXPECT_EQ(telegram.back(), five ? '\x03' : '\x0D');
        EXPECT_NE(telegram.find(NormaliseCode(code)), std::string::npos);
    }
}

} // namespace
