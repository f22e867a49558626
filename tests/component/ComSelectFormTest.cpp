#include "serial/component/ComSelectForm.h"

#include "ComPortFixture.h"
#include "runtime/StrToInt.h"

#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>

namespace {

using ComSelectFormTest = ComPortTest;

TEST_F(ComSelectFormTest, LayoutCaptionsAndTabOrder) {
    TComSelectForm form;
    EXPECT_EQ(form.objectName(), "ComSelectForm");
    EXPECT_EQ(form.windowTitle(), "Select Port");
    EXPECT_EQ(form.height(), 131);
    EXPECT_GE(form.width(), 220);
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);

    struct TPlace {
        QWidget* Widget;
        QRect Geometry;
    };
    // What the captions need beyond their stored bounds widens the labels and the dialog.
    const int growth = form.width() - 220;
    const TPlace places[] = {
        {form.Label1, {18, 14, form.Label1->width(), 13}},
        {form.Label2, {18, 30, form.Label2->width(), 13}},
        {form.Bevel1, {8, 8, 201 + growth, 42}},
        {form.OkBtn, {8, 95, 85, 27}},
        {form.AbortBtn, {124 + growth, 95, 85, 27}},
        {form.PortsComboBox, {8, 64, 201 + growth, 21}},
    };
    for (const TPlace& place : places)
        EXPECT_EQ(place.Widget->geometry(), place.Geometry)
            << place.Widget->objectName().toStdString();
    EXPECT_GE(form.Label1->width(), std::max(176, form.Label1->sizeHint().width()));
    EXPECT_LE(form.Label1->geometry().right() + 15, form.Bevel1->geometry().right());

    EXPECT_EQ(form.Label1->text(), "The configured serial port is not valid.");
    EXPECT_EQ(form.Label2->text(), "Please choose another port.");
    EXPECT_EQ(form.OkBtn->text(), "OK");
    EXPECT_EQ(form.AbortBtn->text(), "Cancel");
    EXPECT_TRUE(form.OkBtn->isDefault());
    EXPECT_FALSE(form.PortsComboBox->isEditable());
    EXPECT_EQ(form.OkBtn->nextInFocusChain(), form.AbortBtn);
    EXPECT_EQ(form.AbortBtn->nextInFocusChain(), form.PortsComboBox);
}

TEST_F(ComSelectFormTest, ListsAvailablePortsInOrderWithTheFirstSelected) {
    AddPort(12);
    AddPort(1);
    AddPort(3);
    TComSelectForm form;
    ASSERT_EQ(form.PortsComboBox->count(), 3);
    EXPECT_EQ(form.PortsComboBox->itemText(0), "COM1");
    EXPECT_EQ(form.PortsComboBox->itemText(1), "COM3");
    EXPECT_EQ(form.PortsComboBox->itemText(2), "COM12");
    EXPECT_EQ(form.PortsComboBox->currentIndex(), 0);
    EXPECT_EQ(form.SelectedComNumber(), 1);

    TModalDriver driver([](QWidget& modal) {
        auto& shown = dynamic_cast<TComSelectForm&>(modal);
        shown.PortsComboBox->setCurrentIndex(2);
        shown.OkBtn->click();
    });
    EXPECT_EQ(form.exec(), TComSelectForm::mrOk);
    EXPECT_EQ(form.SelectedComNumber(), 12);
}

TEST_F(ComSelectFormTest, EmptyListHasNoSelectionAndNoNumber) {
    TComSelectForm form;
    EXPECT_EQ(form.PortsComboBox->count(), 0);
    EXPECT_EQ(form.PortsComboBox->currentIndex(), -1);
    EXPECT_THROW(form.SelectedComNumber(), EConvertError);
}

TEST_F(ComSelectFormTest, ResultsOfTheWaysToCloseIt) {
    AddPort(2);
    struct TCloseCase {
        const char* Name;
        std::function<void(TComSelectForm&)> Close;
        int Result;
    };
    const TCloseCase cases[] = {
        {"OK", [](TComSelectForm& f) { f.OkBtn->click(); }, TComSelectForm::mrOk},
        {"Enter", [](TComSelectForm& f) { QTest::keyClick(&f, Qt::Key_Return); },
         TComSelectForm::mrOk},
        {"Cancel", [](TComSelectForm& f) { f.AbortBtn->click(); }, TComSelectForm::mrAbort},
        {"title bar", [](TComSelectForm& f) { f.close(); }, TComSelectForm::mrCancel},
    };
    for (const TCloseCase& c : cases) {
        TComSelectForm form;
        TModalDriver driver([&](QWidget& modal) { c.Close(dynamic_cast<TComSelectForm&>(modal)); });
        EXPECT_EQ(form.exec(), c.Result) << c.Name;
    }
}

TEST_F(ComSelectFormTest, EscapeDoesNotCloseIt) {
    TComSelectForm form;
    bool stillVisible = false;
    TModalDriver driver([&](QWidget& modal) {
        QTest::keyClick(&modal, Qt::Key_Escape);
        stillVisible = modal.isVisible();
        dynamic_cast<TComSelectForm&>(modal).AbortBtn->click();
    });
    EXPECT_EQ(form.exec(), TComSelectForm::mrAbort);
    EXPECT_TRUE(stillVisible);
}

} // namespace
