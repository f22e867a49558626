#include "app/window/CodeKeyFilter.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

struct TKeyCase {
    int Key;
    Qt::KeyboardModifiers Modifiers;
    const char* Text;
    std::optional<char32_t> Typed;
};

TEST(TypedCharacter, WhatEachKeyTypes) {
    const TKeyCase cases[] = {
        {Qt::Key_A, Qt::NoModifier, "a", U'a'},
        {Qt::Key_A, Qt::ShiftModifier, "A", U'A'},
        {Qt::Key_5, Qt::NoModifier, "5", U'5'},
        {Qt::Key_Space, Qt::NoModifier, " ", U' '},
        {Qt::Key_Backspace, Qt::NoModifier, "\b", char32_t{0x08}},
        {Qt::Key_Backspace, Qt::NoModifier, "", char32_t{0x08}},
        {Qt::Key_Backspace, Qt::ControlModifier, "", char32_t{0x7F}},
        {Qt::Key_V, Qt::ControlModifier, "", char32_t{0x16}},
        {Qt::Key_V, Qt::ControlModifier, "v", char32_t{0x16}},
        {Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier, "", char32_t{0x03}},
        {Qt::Key_Escape, Qt::NoModifier, "\x1b", char32_t{0x1B}},
        {Qt::Key_Delete, Qt::NoModifier, "\x7f", std::nullopt},
        {Qt::Key_Left, Qt::NoModifier, "", std::nullopt},
        {Qt::Key_Left, Qt::ControlModifier, "", std::nullopt},
        {Qt::Key_Home, Qt::NoModifier, "", std::nullopt},
        {Qt::Key_End, Qt::ShiftModifier, "", std::nullopt},
        {Qt::Key_Tab, Qt::NoModifier, "\t", std::nullopt},
        {Qt::Key_Backtab, Qt::ShiftModifier, "", std::nullopt},
        {Qt::Key_Shift, Qt::ShiftModifier, "", std::nullopt},
        {Qt::Key_Insert, Qt::ShiftModifier, "", std::nullopt},
        {Qt::Key_Adiaeresis, Qt::NoModifier, "\xC3\xA4", U'\u00E4'},
    };
    for (const TKeyCase& c : cases) {
        const QKeyEvent event(QEvent::KeyPress, c.Key, c.Modifiers, QString::fromUtf8(c.Text));
        EXPECT_EQ(TypedCharacter(event), c.Typed) << std::hex << c.Key << " " << c.Text;
    }
}

} // namespace
