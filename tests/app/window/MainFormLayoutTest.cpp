// The window as it comes up: every control at its bounds with its caption, font, items and
// initial state, the tab order, and Qt's own texts in German.

#include "MainFormFixture.h"
#include "app/window/CodeField.h"
#include "app/window/Controls.h"
#include "app/window/PlanRunPanel.h"
#include "app/window/TestRecordPanel.h"
#include "serial/component/ComSelectForm.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTreeWidget>
#include <string>

namespace {

QStringList Items(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

QStringList Items(const TRadioGroup& group) {
    QStringList items;
    for (int i = 0; i < group.ItemCount(); ++i)
        items << group.Item(i)->text();
    return items;
}

// Every caption shown in `top` has the room it needs, and the code field shows its code from the
// first character. With QUORVANE_SCREENSHOT_DIR set, the look is saved there as `picture`.
void ExpectWholeCaptions(QWidget& top, const char* picture = nullptr) {
    for (QWidget* control : top.findChildren<QWidget*>()) {
        const std::string what =
            control->objectName().toStdString() + " " + (picture ? picture : "");
        if (!control->isVisibleTo(&top))
            continue;
        const QSize size = control->size();
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), size.width() - 8)
                << what;
        } else if (qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control)) {
            EXPECT_EQ(size.expandedTo(control->sizeHint()), size) << what;
        } else if (auto* field = qobject_cast<QLineEdit*>(control); field && field->isEnabled()) {
            field->end(false);
            EXPECT_EQ(field->cursorPositionAt({field->contentsRect().left() + 3, 5}), 0) << what;
        }
    }
    const QString folder = qEnvironmentVariable("QUORVANE_SCREENSHOT_DIR");
    if (!folder.isEmpty() && picture) {
        EXPECT_TRUE(top.grab().save(folder + "/" + picture)) << picture;
    }
}

class MainFormLayoutTest : public TMainFormTest {
protected:
    void SetUp() override {
        AddPort(1);
        WriteCodeList("1234A\r\n");
        CreateForm();
    }
};

TEST_F(MainFormLayoutTest, WindowTitleSizeAndFont) {
    EXPECT_EQ(Form->windowTitle(), "Quorvane V1.1");
    EXPECT_EQ(Form->size(), QSize(904, 693 + TTestRecordPanel::AddedHeight));
    EXPECT_EQ(Form->font().family(), "MS Sans Serif");
    EXPECT_EQ(Form->font().pixelSize(), 10);
    EXPECT_EQ(Form->StatusLine->height(), 28);
    EXPECT_EQ(Form->StatusLine->geometry().bottom(), Form->rect().bottom());
}

TEST_F(MainFormLayoutTest, EveryControlAtItsBoundsWithItsCaption) {
    struct TBounds {
        QWidget* Control;
        QRect Bounds;
    };
    const TBounds bounds[] = {
        {Form->Panel5, {59, 7, 111, 33}},          {Form->Panel4, {264, 0, 265, 41}},
        {Form->Label2, {80, 48, 47, 20}},          {Form->Panel2, {136, 48, 106, 26}},
        {Form->Label4, {380, 48, 31, 13}},         {Form->Panel1, {385, 69, 21, 21}},
        {Form->Panel3, {546, 48, 129, 25}},        {Form->Label1, {88, 96, 166, 37}},
        {Form->Edit1, {298, 95, 196, 56}},         {Form->Label3, {552, 88, 43, 13}},
        {Form->ComboBox1, {552, 104, 118, 21}},    {Form->CheckBox1, {552, 128, 105, 13}},
        {Form->Label6, {552, 176, 102, 13}},       {Form->ComboBox3, {552, 192, 121, 21}},
        {Form->Label5, {84, 164, 89, 13}},         {Form->ComboBox2, {88, 184, 118, 21}},
        {Form->CheckBox2, {88, 208, 117, 13}},     {Form->SpeedButton1, {353, 174, 85, 33}},
        {Form->RadioGroup1, {62, 264, 291, 217}},  {Form->RadioGroup4, {62, 238, 291, 243}},
        {Form->RadioGroup2, {498, 280, 199, 201}}, {Form->RadioGroup5, {498, 336, 189, 145}},
        {Form->RadioGroup3, {498, 244, 191, 61}}};
    for (const TBounds& b : bounds) {
        const char* kind = b.Control->metaObject()->className();
        const bool label = qobject_cast<QLabel*>(b.Control) != nullptr &&
                           dynamic_cast<TPanel*>(b.Control) == nullptr;
        if (label || qobject_cast<QCheckBox*>(b.Control) != nullptr ||
            dynamic_cast<TRadioGroup*>(b.Control) != nullptr) {
            // Captioned controls keep their place and grow to their caption where the font
            // needs it.
            EXPECT_EQ(b.Control->pos(), b.Bounds.topLeft()) << kind;
            EXPECT_GE(b.Control->width(), b.Bounds.width()) << kind;
            EXPECT_GE(b.Control->height(), b.Bounds.height()) << kind;
            EXPECT_GE(b.Control->width(), b.Control->sizeHint().width()) << kind;
            EXPECT_GE(b.Control->height(), b.Control->sizeHint().height()) << kind;
        } else {
            EXPECT_EQ(b.Control->geometry(), b.Bounds) << kind;
        }
    }

    EXPECT_EQ(Form->Label1->text(), "Kodierung:");
    EXPECT_EQ(Form->Label2->text(), "Status");
    EXPECT_EQ(Form->Label3->text(), "Gebertyp");
    EXPECT_EQ(Form->Label4->text(), "Träger");
    EXPECT_EQ(Form->Label5->text(), "Feste Kodierungen");
    EXPECT_EQ(Form->Label6->text(), "Schnittstellenauswahl");
    EXPECT_EQ(Form->CheckBox1->text(), "Freie Eingabe");
    EXPECT_EQ(Form->CheckBox2->text(), "Daueraussendung");
    EXPECT_EQ(Form->SpeedButton1->text(), "Auslösen");
    EXPECT_EQ(Form->RadioGroup1->title(), "Vorton");
    EXPECT_EQ(Form->RadioGroup4->title(), "Vorton");
    EXPECT_EQ(Form->RadioGroup2->title(), "Alarmart");
    EXPECT_EQ(Form->RadioGroup5->title(), "Alarmart");
    EXPECT_EQ(Form->RadioGroup3->title(), "Tonband");
    for (TPanel* panel : {Form->Panel1, Form->Panel2, Form->Panel3, Form->Panel4, Form->Panel5})
        EXPECT_TRUE(panel->Caption().isEmpty());
}

TEST_F(MainFormLayoutTest, Fonts) {
    EXPECT_EQ(Form->Panel4->font().pixelSize(), 19);
    EXPECT_EQ(Form->Label2->font().pixelSize(), 16);
    EXPECT_EQ(Form->Label1->font().pixelSize(), 32);
    EXPECT_TRUE(Form->Label1->font().bold());
    EXPECT_TRUE(Form->Label1->font().underline());
    EXPECT_EQ(Form->Edit1->font().pixelSize(), 32);
    EXPECT_EQ(Form->SpeedButton1->font().pixelSize(), 15);
    EXPECT_TRUE(Form->SpeedButton1->font().bold());
    EXPECT_EQ(Form->RadioGroup4->font().family(), "Courier New");
    EXPECT_EQ(Form->RadioGroup4->font().pixelSize(), 12);
    EXPECT_EQ(Form->Label3->font().pixelSize(), 10);
}

TEST_F(MainFormLayoutTest, ItemLists) {
    EXPECT_EQ(Items(*Form->ComboBox1),
              (QStringList{"Standart  neu", "Standart alt", "ZUK  Geber", "VAMI 1.0", "VAMI 1.3",
                           "VAMI 1.4", "VAMI 2.0"}));
    EXPECT_EQ(Form->RadioGroup1->ItemCount(), 10);
    EXPECT_EQ(Items(*Form->RadioGroup1).at(9), "Tonruf II lang und Bandumschaltung");
    EXPECT_EQ(Items(*Form->RadioGroup2).at(7), "Warten (max 5 sec) ohne Weckruf");
    EXPECT_EQ(Items(*Form->RadioGroup3), (QStringList{"Tonband ein", "Tonband aus"}));
    const QStringList preTones = Items(*Form->RadioGroup4);
    ASSERT_EQ(preTones.size(), 28);
    EXPECT_EQ(preTones.at(0), "kein Vorton");
    EXPECT_EQ(preTones.at(3), "c (427.5 Hz)");
    EXPECT_EQ(preTones.at(13), "m (727.5 Hz)");
    EXPECT_EQ(preTones.at(14), "n (757.5 Hz)");
    EXPECT_EQ(preTones.at(26), "z (1117.5 Hz)");
    EXPECT_EQ(preTones.at(27), "ä (3000  Hz)");
    EXPECT_EQ(Items(*Form->RadioGroup5).at(5), "675+2280(C)");
    // Two columns, filled top to bottom: "n" heads the second column.
    ChooseItem(*Form->ComboBox1, 3);
    EXPECT_EQ(Form->RadioGroup4->Item(14)->x(), Form->RadioGroup4->Item(15)->x());
    EXPECT_GT(Form->RadioGroup4->Item(14)->x(), Form->RadioGroup4->Item(13)->x());
    EXPECT_EQ(Form->RadioGroup4->Item(14)->y(), Form->RadioGroup4->Item(0)->y());
}

TEST_F(MainFormLayoutTest, StartStateIsFreeInputWithTypeZero) {
    EXPECT_EQ(Form->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(Form->SelectedEncoderType(), 0);
    EXPECT_TRUE(Form->CheckBox1->isChecked());
    EXPECT_TRUE(Form->Edit1->text().isEmpty());
    EXPECT_EQ(Form->Edit1->MaxCodeLength(), 5);
    EXPECT_TRUE(Form->Edit1->isEnabled());
    EXPECT_FALSE(Form->SpeedButton1->isEnabled());
    EXPECT_EQ(Form->SpeedButton1->palette().color(QPalette::Active, QPalette::ButtonText),
              QColor(0, 0, 0));
    EXPECT_EQ(Form->SpeedButton1->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(Form->RadioGroup1->isHidden());
    EXPECT_TRUE(Form->RadioGroup4->isHidden());
    EXPECT_FALSE(Form->RadioGroup2->isHidden());
    EXPECT_TRUE(Form->RadioGroup5->isHidden());
    EXPECT_TRUE(Form->RadioGroup3->isHidden());
    EXPECT_TRUE(Form->Panel3->isHidden());
    EXPECT_TRUE(Form->Label5->isHidden());
    EXPECT_TRUE(Form->ComboBox2->isHidden());
    EXPECT_FALSE(Form->ComboBox2->isEnabled());
    EXPECT_TRUE(Form->CheckBox2->isHidden());
    EXPECT_FALSE(Form->CheckBox2->isEnabled());
    EXPECT_FALSE(Form->CheckBox2->isChecked());
    EXPECT_EQ(Form->RadioGroup1->ItemIndex(), 0);
    EXPECT_EQ(Form->RadioGroup2->ItemIndex(), 6);
    EXPECT_EQ(Form->RadioGroup3->ItemIndex(), 1);
    EXPECT_EQ(Form->RadioGroup4->ItemIndex(), 0);
    EXPECT_EQ(Form->RadioGroup5->ItemIndex(), 0);
    EXPECT_EQ(Form->ComboBox2->currentIndex(), 0);
    EXPECT_EQ(Form->ComboBox2->currentText(), "1234A");
    EXPECT_EQ(Form->Timer1->interval(), 500);
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_EQ(Form->Timer2->interval(), 1000);
    EXPECT_FALSE(Form->Timer2->isActive());
    EXPECT_EQ(Form->Timer3->interval(), 1000);
    EXPECT_TRUE(Form->Timer3->isActive());
    EXPECT_FALSE(Form->LastReplyWasAck);
    EXPECT_EQ(Form->FixedSendCount, 0);
    EXPECT_EQ(Form->SioComPort1->Baud(), 1200);
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_TRUE(Reports.empty());
    EXPECT_TRUE(Modals.Messages.empty());
}

// The window's three looks and the port dialog (scripts/screenshots.sh saves them as pictures);
// ten of the widest code characters show whole at the field's stored bounds.
TEST_F(MainFormLayoutTest, EveryCaptionWholeInEachLook) {
    ExpectWholeCaptions(*Form, "quorvane-five-char-type.png");
    ChooseItem(*Form->ComboBox1, 3);
    for (const QChar widest : QStringLiteral("0123456789ABCDEabcde")) {
        Form->Edit1->setText(QString(10, widest));
        ExpectWholeCaptions(*Form);
    }
    EXPECT_LT(Form->Edit1->font().pixelSize(), 32) << "the largest size that shows ten whole";
    Form->Edit1->clear();
    QTest::keyClicks(Form->Edit1, "12345ABCDE");
    ExpectWholeCaptions(*Form, "quorvane-ten-char-code.png");
    Form->CheckBox1->click();
    ExpectWholeCaptions(*Form, "quorvane-fixed-codes.png");
    TComSelectForm dialog;
    dialog.show();
    ExpectWholeCaptions(dialog, "quorvane-port-dialog.png");
}

TEST_F(MainFormLayoutTest, TabOrderStartsAtTheCodeFieldAndSkipsHiddenControls) {
    Form->activateWindow();
    ASSERT_TRUE(WaitUntil([this] { return QApplication::focusWidget() == Form->Edit1; }));
    QWidget* const expected[] = {Form->ComboBox1,
                                 Form->RadioGroup1->Item(0),
                                 Form->RadioGroup2->Item(6),
                                 Form->CheckBox1,
                                 Form->ComboBox3,
                                 Form->PlanRun->StartButton,
                                 Form->TestRecord->ToneInputSelector,
                                 Form->TestRecord->ToneStandardSelector,
                                 Form->TestRecord->RecordList,
                                 Form->TestRecord->ReportButton,
                                 Form->Edit1};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        EXPECT_TRUE(focus == next || next->isAncestorOf(focus))
            << next->metaObject()->className() << " expected, "
            << (focus ? focus->metaObject()->className() : "nothing") << " has the focus";
    }
}

TEST_F(MainFormLayoutTest, TestRecordFillsTheBandBelowTheOptionGroups) {
    EXPECT_EQ(Form->TestRecord->title(), "Prüfprotokoll");
    int groupsBottom = 0;
    for (const TRadioGroup* group : {Form->RadioGroup1, Form->RadioGroup2, Form->RadioGroup3,
                                     Form->RadioGroup4, Form->RadioGroup5})
        groupsBottom = std::max(groupsBottom, group->geometry().bottom());
    EXPECT_GT(Form->TestRecord->geometry().top(), groupsBottom);
    EXPECT_LT(Form->TestRecord->mapTo(Form.get(), Form->TestRecord->rect().bottomLeft()).y(),
              Form->StatusLine->geometry().top());
    EXPECT_EQ(Form->TestRecord->ToneInputLabel->text(), "Toneingang");
    EXPECT_EQ(Form->TestRecord->ToneStandardLabel->text(), "Tonfolge");
    // The tests run without an audio server, as a machine without sound card would.
    EXPECT_EQ(Items(*Form->TestRecord->ToneInputSelector), QStringList{"Aus"});
    EXPECT_EQ(Items(*Form->TestRecord->ToneStandardSelector),
              (QStringList{"ZVEI1", "ZVEI2", "ZVEI3", "DZVEI", "CCIR", "EEA"}));
    EXPECT_EQ(Form->TestRecord->ToneStandardSelector->currentText(), "ZVEI1");
    EXPECT_EQ(Form->TestRecord->LevelMeter->text(), "Aus");
    EXPECT_EQ(Form->TestRecord->RecordList->headerItem()->text(8), "Ergebnis");
}

TEST_F(MainFormLayoutTest, ChosenStandardIsRememberedForTheNextRun) {
    ChooseItem(*Form->TestRecord->ToneStandardSelector, 4);
    Form.reset();
    CreateForm();
    EXPECT_EQ(Form->TestRecord->ToneStandardSelector->currentText(), "CCIR");
    ChooseItem(*Form->TestRecord->ToneStandardSelector, 0);
}

TEST_F(MainFormLayoutTest, HintTextGoesToTheStatusLine) {
    QStatusTipEvent tip(QStringLiteral("Kodierung eingeben"));
    QApplication::sendEvent(Form->Edit1, &tip);
    EXPECT_EQ(Form->StatusLine->currentMessage(), "Kodierung eingeben");
}

TEST_F(MainFormLayoutTest, QtTextsOfTheCodeFieldAreGerman) {
    std::unique_ptr<QMenu> menu(Form->Edit1->createStandardContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    EXPECT_EQ(texts.filter(QRegularExpression("^Einf&ügen\\t")).size(), 1)
        << texts.join('|').toStdString();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
}

} // namespace
