#include "app/window/WindowRules.h"

#include "app/options/OptionGroupItems.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(CodeCharacters, OnlyBackspaceDigitsAndAToE) {
    for (char32_t c = 0; c < 0x300; ++c) {
        const bool expected =
            c == 0x08 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'E') || (c >= 'a' && c <= 'e');
        EXPECT_EQ(IsCodeCharacter(c), expected) << static_cast<unsigned>(c);
    }
    EXPECT_FALSE(IsCodeCharacter(0x16)) << "Ctrl+V";
    EXPECT_FALSE(IsCodeCharacter(0x7F)) << "Ctrl+Backspace";
}

struct TEntryCase {
    const char* Entry;
    int Port; // -1: conversion error
};

// Test names show the case, not its bytes.
void PrintTo(const TEntryCase& c, std::ostream* os) {
    *os << '"' << c.Entry << '"';
}

class PortNumberFromEntryTest : public testing::TestWithParam<TEntryCase> {};

TEST_P(PortNumberFromEntryTest, Converts) {
    const TEntryCase& c = GetParam();
    if (c.Port < 0)
        EXPECT_THROW(PortNumberFromEntry(c.Entry), EConvertError);
    else
        EXPECT_EQ(PortNumberFromEntry(c.Entry), c.Port);
}

INSTANTIATE_TEST_SUITE_P(Entries, PortNumberFromEntryTest,
                         testing::Values(TEntryCase{"COM7", 7}, TEntryCase{"COM12", 12},
                                         TEntryCase{"COM50", 50}, TEntryCase{"XYZ3", 3},
                                         TEntryCase{"COM007", 7}, TEntryCase{"COM0", 0},
                                         TEntryCase{"COM65535", 65535}, TEntryCase{"COM65536", -1},
                                         TEntryCase{"COM", -1}, TEntryCase{"CO", -1},
                                         TEntryCase{"", -1}, TEntryCase{"COMx", -1},
                                         TEntryCase{"COM1x", -1}, TEntryCase{"COM 1", -1},
                                         TEntryCase{"COM-1", -1}, TEntryCase{"COM+1", -1},
                                         TEntryCase{"COM99999999999999999999", -1}));

TEST(PortNumberFromEntry, ErrorNamesTheText) {
    try {
        PortNumberFromEntry("COMab");
        FAIL();
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'ab' is not a valid integer value");
    }
}

struct TViewCase {
    int Type;
    TEncoderTypeView View;
};

// Test names show the case, not its bytes.
void PrintTo(const TViewCase& c, std::ostream* os) {
    *os << "type " << c.Type;
}

class EncoderTypeViewTest : public testing::TestWithParam<TViewCase> {};

TEST_P(EncoderTypeViewTest, ShowsTheTypesControls) {
    const TEncoderTypeView& e = GetParam().View;
    const TEncoderTypeView a = ViewForEncoderType(GetParam().Type);
    EXPECT_EQ(a.MaxLength, e.MaxLength);
    EXPECT_EQ(a.TapeShown, e.TapeShown);
    EXPECT_EQ(a.FiveCharPreToneShown, e.FiveCharPreToneShown);
    EXPECT_EQ(a.TenCharPreToneShown, e.TenCharPreToneShown);
    EXPECT_EQ(a.AlarmTypeShown, e.AlarmTypeShown);
    EXPECT_EQ(a.TwoToneAlarmShown, e.TwoToneAlarmShown);
    EXPECT_EQ(a.EncoderStateShown, e.EncoderStateShown);
}

INSTANTIATE_TEST_SUITE_P(Types, EncoderTypeViewTest,
                         testing::Values(TViewCase{0, {5, false, true, false, true, false, false}},
                                         TViewCase{1, {5, false, true, false, true, false, false}},
                                         TViewCase{2, {5, false, true, false, true, false, true}},
                                         TViewCase{3, {10, false, false, true, false, true, false}},
                                         TViewCase{4, {10, true, false, true, false, true, false}},
                                         TViewCase{5, {10, true, false, true, false, true, false}},
                                         TViewCase{6, {10, false, false, true, false, true, false}},
                                         TViewCase{-1, {10, true, false, true, false, true, false}},
                                         TViewCase{7,
                                                   {10, true, false, true, false, true, false}}));

TEST(TriggerArmed, OnlyAtFullLength) {
    EXPECT_FALSE(TriggerArmed(4, 5));
    EXPECT_TRUE(TriggerArmed(5, 5));
    EXPECT_FALSE(TriggerArmed(5, 10));
    EXPECT_TRUE(TriggerArmed(10, 10));
    EXPECT_FALSE(TriggerArmed(0, 5));
}

TEST(OptionGroupItems, CountsAndEnds) {
    EXPECT_EQ(FiveCharPreToneItems().size(), 10u);
    EXPECT_EQ(FiveCharPreToneItems()[1], "Tonruf I  kurz");
    EXPECT_EQ(FiveCharPreToneItems()[4], "Tonruf II lang");
    EXPECT_EQ(FiveCharPreToneItems()[6], "Tonruf I  kurz und Bandumschaltung");
    EXPECT_EQ(FiveCharPreToneItems()[9], "Tonruf II lang und Bandumschaltung");
    EXPECT_EQ(AlarmTypeItems().size(), 10u);
    EXPECT_EQ(AlarmTypeItems()[6], "Sofortiger Weckruf");
    EXPECT_EQ(AlarmTypeItems()[9], "Warten (max 5 sec) Weckruf");
    EXPECT_EQ(TapeItems(), (std::vector<std::string>{"Tonband ein", "Tonband aus"}));
    EXPECT_EQ(TwoToneAlarmItems().size(), 6u);
    EXPECT_EQ(TwoToneAlarmItems()[1], "675+825  (B)");
    EXPECT_EQ(TwoToneAlarmItems()[5], "675+2280(C)");
}

TEST(OptionGroupItems, TenCharPreToneLadder) {
    const auto& items = TenCharPreToneItems();
    ASSERT_EQ(items.size(), 28u);
    const std::pair<int, const char*> named[] = {{0, "kein Vorton"},         {1, "a (367.5 Hz)"},
                                                 {3, "c (427.5 Hz)"},        {13, "m (727.5 Hz)"},
                                                 {14, "n (757.5 Hz)"},       {26, "z (1117.5 Hz)"},
                                                 {27, "\xC3\xA4 (3000  Hz)"}};
    for (const auto& [index, text] : named)
        EXPECT_EQ(items[static_cast<std::size_t>(index)], text) << index;
}

} // namespace
