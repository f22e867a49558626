// The operator's input: the code field's key filter, the trigger-button rule, the encoder type
// and the switch between free input and fixed codes.

#include "MainFormFixture.h"
#include "app/window/CodeField.h"
#include "app/window/Controls.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

namespace {

class MainFormInputTest : public TMainFormTest {
protected:
    void SetUp() override {
        AddPort(1);
        CreateForm();
        StopTimers();
    }

    bool TriggerArmedRed() const {
        return Form->SpeedButton1->isEnabled() &&
               Form->SpeedButton1->palette().color(QPalette::ButtonText) == QColor(255, 0, 0);
    }
    // Disabled, the caption is the style's greyed one, not a black that looks clickable.
    bool TriggerDisarmedBlack() const {
        const QPalette& palette = Form->SpeedButton1->palette();
        return !Form->SpeedButton1->isEnabled() &&
               palette.color(QPalette::Active, QPalette::ButtonText) == QColor(0, 0, 0) &&
               palette.color(QPalette::Disabled, QPalette::ButtonText) ==
                   QApplication::palette(Form->SpeedButton1)
                       .color(QPalette::Disabled, QPalette::ButtonText) &&
               palette.color(QPalette::Disabled, QPalette::ButtonText) != QColor(0, 0, 0);
    }
};

TEST_F(MainFormInputTest, KeyFilterAdmitsOnlyCodeCharacters) {
    for (const char* rejected : {"F", "x", " ", "f", "Z", "-", "."}) {
        QTest::keyClicks(Form->Edit1, rejected);
        EXPECT_EQ(Form->Edit1->text(), "") << rejected;
    }
    QTest::keyClicks(Form->Edit1, "a");
    EXPECT_EQ(Form->Edit1->text(), "a") << "lower case stays lower case";
    QTest::keyClicks(Form->Edit1, "E9");
    EXPECT_EQ(Form->Edit1->text(), "aE9");
    QTest::keyClick(Form->Edit1, Qt::Key_Backspace);
    EXPECT_EQ(Form->Edit1->text(), "aE");
}

TEST_F(MainFormInputTest, PasteKeyPastesFilteredOtherShortcutsAreDiscarded) {
    QGuiApplication::clipboard()->setText(QStringLiteral("x3y"));
    QTest::keyClicks(Form->Edit1, "12");
    QTest::keyClick(Form->Edit1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Form->Edit1->text(), "123") << "Ctrl+V pastes, through the filter";
    QTest::keyClick(Form->Edit1, Qt::Key_Backspace);
    QTest::keyClick(Form->Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Form->Edit1, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Form->Edit1->text(), "12") << "no select-all, no cut";
    QTest::keyClick(Form->Edit1, Qt::Key_Escape);
    QTest::keyClick(Form->Edit1, Qt::Key_Return);
    EXPECT_EQ(Form->Edit1->text(), "12");

    QTest::keyClick(Form->Edit1, Qt::Key_Home);
    QTest::keyClick(Form->Edit1, Qt::Key_Delete);
    EXPECT_EQ(Form->Edit1->text(), "2");
    QTest::keyClick(Form->Edit1, Qt::Key_End);
    QTest::keyClick(Form->Edit1, Qt::Key_Left);
    QTest::keyClicks(Form->Edit1, "3");
    EXPECT_EQ(Form->Edit1->text(), "32");
    QTest::keyClick(Form->Edit1, Qt::Key_Right);
    QTest::keyClicks(Form->Edit1, "4");
    EXPECT_EQ(Form->Edit1->text(), "324");
}

// Pasted, composed or dropped text passes the filter of typed keys, then what arrived is cut
// to the length: through the field's own paste, input method and drop handling.
TEST_F(MainFormInputTest, TextFromAnyPathIsFilteredThenCut) {
    const char* const pastes[][3] = {{"", "1a2x3", "1a23"},        {"", "COM15", "C15"},
                                     {"", "Code: 12345", "Cde12"}, {"1234", "x5y6", "12534"},
                                     {"12345", "6", "12345"},      {"12", "\u00e9\u0661A", "12A"}};
    for (const auto& [before, clip, after] : pastes) {
        Form->Edit1->setText(QString::fromUtf8(before));
        Form->Edit1->setCursorPosition(2);
        QGuiApplication::clipboard()->setText(QString::fromUtf8(clip));
        Form->Edit1->paste();
        EXPECT_EQ(Form->Edit1->text(), QString::fromUtf8(after)) << clip;
    }
    Form->Edit1->clear();
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("\u00e91\u00e2b"));
    QApplication::sendEvent(Form->Edit1, &composed);
    EXPECT_EQ(Form->Edit1->text(), "1b");
    QMimeData dragged;
    dragged.setText(QStringLiteral("O2M3"));
    QDragEnterEvent enter({2, 2}, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form->Edit1, &enter);
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form->Edit1, &drop);
    EXPECT_EQ(Form->Edit1->text(), "231b");
}

// One wheel notch over a selector passed on the way changes nothing; focused, it scrolls.
TEST_F(MainFormInputTest, WheelChangesOnlyAFocusedSelector) {
    QTest::keyClicks(Form->Edit1, "123");
    const auto notch = [](QComboBox* box) {
        QWheelEvent wheel({2, 2}, box->mapToGlobal(QPointF(2, 2)), {}, {0, -120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &wheel);
        return box->currentIndex();
    };
    EXPECT_EQ(notch(Form->ComboBox1), 0);
    EXPECT_EQ(notch(Form->ComboBox3), 0);
    EXPECT_EQ(Form->Edit1->text(), "123");
    Form->activateWindow();
    Form->ComboBox1->setFocus();
    ASSERT_TRUE(WaitUntil([this] { return Form->ComboBox1->hasFocus(); }));
    EXPECT_EQ(notch(Form->ComboBox1), 1);
}

TEST_F(MainFormInputTest, TriggerArmsAtFullLengthOnly) {
    QTest::keyClicks(Form->Edit1, "1a2b");
    EXPECT_TRUE(TriggerDisarmedBlack());
    QTest::keyClicks(Form->Edit1, "3");
    EXPECT_TRUE(TriggerArmedRed());
    QTest::keyClicks(Form->Edit1, "4");
    EXPECT_EQ(Form->Edit1->text(), "1a2b3") << "maximum length 5";
    QTest::keyClick(Form->Edit1, Qt::Key_Backspace);
    EXPECT_TRUE(TriggerDisarmedBlack());
}

struct TTypeRow {
    int Type;
    int MaxLength;
    bool Tape, FiveTone, TenTone, Alarm, TwoTone, EncoderState;
};

TEST_F(MainFormInputTest, EncoderTypeSetsLengthVisibilityAndClearsTheCode) {
    const TTypeRow rows[] = {{1, 5, false, true, false, true, false, false},
                             {2, 5, false, true, false, true, false, true},
                             {3, 10, false, false, true, false, true, false},
                             {4, 10, true, false, true, false, true, false},
                             {5, 10, true, false, true, false, true, false},
                             {6, 10, false, false, true, false, true, false},
                             {0, 5, false, true, false, true, false, false}};
    for (const TTypeRow& row : rows) {
        Form->Edit1->setText(QStringLiteral("12345"));
        ChooseItem(*Form->ComboBox1, row.Type);
        EXPECT_EQ(Form->Edit1->text(), "") << row.Type;
        EXPECT_TRUE(TriggerDisarmedBlack()) << row.Type;
        EXPECT_EQ(Form->Edit1->MaxCodeLength(), row.MaxLength) << row.Type;
        EXPECT_EQ(!Form->RadioGroup3->isHidden(), row.Tape) << row.Type;
        EXPECT_EQ(!Form->RadioGroup1->isHidden(), row.FiveTone) << row.Type;
        EXPECT_EQ(!Form->RadioGroup4->isHidden(), row.TenTone) << row.Type;
        EXPECT_EQ(!Form->RadioGroup2->isHidden(), row.Alarm) << row.Type;
        EXPECT_EQ(!Form->RadioGroup5->isHidden(), row.TwoTone) << row.Type;
        EXPECT_EQ(!Form->Panel3->isHidden(), row.EncoderState) << row.Type;
        QTest::keyClicks(Form->Edit1, "1234567890AB");
        EXPECT_EQ(Form->Edit1->text().size(), row.MaxLength) << "the new length applies at once";
        EXPECT_TRUE(TriggerArmedRed()) << row.Type;
    }
}

TEST_F(MainFormInputTest, OptionGroupsKeepTheirItemsWhenHiddenAndShown) {
    Form->RadioGroup1->SetItemIndex(4);
    ChooseItem(*Form->ComboBox1, 3);
    Form->RadioGroup4->SetItemIndex(27);
    ChooseItem(*Form->ComboBox1, 0);
    EXPECT_EQ(Form->RadioGroup1->ItemIndex(), 4);
    ChooseItem(*Form->ComboBox1, 5);
    EXPECT_EQ(Form->RadioGroup4->ItemIndex(), 27);
}

TEST_F(MainFormInputTest, TypedTypeTextSelectsNoItem) {
    Form->ComboBox1->lineEdit()->selectAll();
    QTest::keyClicks(Form->ComboBox1->lineEdit(), "VAMI 9");
    EXPECT_EQ(Form->SelectedEncoderType(), -1);
    EXPECT_EQ(Form->Edit1->MaxCodeLength(), 10);
    EXPECT_FALSE(Form->RadioGroup3->isHidden());
    QTest::keyClicks(Form->Edit1, "1234567890");
    EXPECT_TRUE(TriggerArmedRed());
}

TEST_F(MainFormInputTest, SwitchToFixedCodesAndBack) {
    QTest::keyClicks(Form->Edit1, "123");
    Form->CheckBox1->click();
    EXPECT_FALSE(Form->CheckBox1->isChecked());
    EXPECT_TRUE(TriggerArmedRed()) << "armed at once, whatever the code field holds";
    EXPECT_TRUE(Form->Edit1->isHidden());
    EXPECT_FALSE(Form->Edit1->isEnabled());
    EXPECT_FALSE(Form->ComboBox2->isHidden());
    EXPECT_TRUE(Form->ComboBox2->isEnabled());
    EXPECT_FALSE(Form->CheckBox2->isHidden());
    EXPECT_TRUE(Form->CheckBox2->isEnabled());
    EXPECT_FALSE(Form->Label5->isHidden());

    Form->Edit1->setText(QStringLiteral("1"));
    EXPECT_TRUE(TriggerArmedRed()) << "the code field no longer counts";
    ChooseItem(*Form->ComboBox1, 2);
    EXPECT_TRUE(TriggerArmedRed());
    EXPECT_NE(QApplication::focusWidget(), Form->Edit1) << "the hidden field takes no focus";

    Form->CheckBox2->click();
    ASSERT_TRUE(Form->CheckBox2->isChecked());
    Form->Edit1->setText(QStringLiteral("12345"));
    Form->CheckBox1->click();
    EXPECT_TRUE(Form->CheckBox1->isChecked());
    EXPECT_FALSE(Form->CheckBox2->isChecked());
    EXPECT_TRUE(Form->CheckBox2->isHidden());
    EXPECT_FALSE(Form->CheckBox2->isEnabled());
    EXPECT_TRUE(Form->ComboBox2->isHidden());
    EXPECT_FALSE(Form->ComboBox2->isEnabled());
    EXPECT_TRUE(Form->Label5->isHidden());
    EXPECT_FALSE(Form->Edit1->isHidden());
    EXPECT_TRUE(Form->Edit1->isEnabled());
    EXPECT_TRUE(TriggerArmedRed()) << "the length rule sees the code still in the field";
    Form->Edit1->setText(QStringLiteral("1234"));
    EXPECT_TRUE(TriggerDisarmedBlack());
}

} // namespace
