// The window's stored layout: every control at its bounds, with its font, caption, items and
// the state the window starts in.

#include "app/fixedcodes/CodeList.h"
#include "app/options/OptionGroupItems.h"
#include "app/telegram/EncoderTypes.h"
#include "app/window/CodeField.h"
#include "app/window/Controls.h"
#include "app/window/MainForm.h"
#include "app/window/PlanRunPanel.h"
#include "app/window/TestRecordPanel.h"
#include "app/window/WidgetText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <initializer_list>

namespace {

QFont PixelFont(const QString& family, int pixels, bool bold = false, bool underline = false) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

QFont FormFont(int pixels, bool bold = false, bool underline = false) {
    return PixelFont(QStringLiteral("MS Sans Serif"), pixels, bold, underline);
}

QLabel* MakeLabel(QWidget* parent, const char* caption, QRect bounds) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setGeometry(bounds);
    return label;
}

TPanel* MakePanel(QWidget* parent, QRect bounds) {
    auto* panel = new TPanel(parent);
    panel->setGeometry(bounds);
    return panel;
}

TComboBox* MakeEditableComboBox(QWidget* parent, QRect bounds) {
    auto* box = new TComboBox(parent);
    box->setEditable(true);
    // The box's text is what counts; typing must neither add items nor complete by itself.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->setGeometry(bounds);
    return box;
}

// An entry of the fixed code list may be as long as the whole file; the drop-down shows the
// beginning of each, so opening it never lays out a megabyte of text.
class TShortEntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        constexpr qsizetype ShownLength = 200;
        if (option->text.size() > ShownLength)
            option->text = option->text.left(ShownLength) + QChar(0x2026);
    }
};

QTimer* MakeTimer(QObject* parent, int intervalMs) {
    auto* timer = new QTimer(parent);
    timer->setInterval(intervalMs);
    // A coarse timer may fire up to 5 % early; the poll and watchdog rhythms are the protocol's.
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

} // namespace

void TMainForm::CreateControls() {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Quorvane V1.1"));
    // The stored size, and below it room for the test record's picture strip and list.
    resize(904, 693 + TTestRecordPanel::AddedHeight);
    setFont(FormFont(10));

    auto* client = new QWidget(this);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    palette.setColor(QPalette::WindowText, Qt::black);
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    StatusLine = new QStatusBar(this);
    StatusLine->setSizeGripEnabled(false);
    StatusLine->setFixedHeight(28);
    setStatusBar(StatusLine);

    Label1 = MakeLabel(client, "Kodierung:", {88, 96, 166, 37});
    Label1->setFont(FormFont(32, true, true));
    Label2 = MakeLabel(client, "Status", {80, 48, 47, 20});
    Label2->setFont(FormFont(16));

    Edit1 = new TCodeField(32, client);
    Edit1->setFont(FormFont(32));
    Edit1->setGeometry(298, 95, 196, 56);
    Edit1->SetMaxCodeLength(5);

    ComboBox1 = MakeEditableComboBox(client, {552, 104, 118, 21});
    for (const TEncoderType& type : EncoderTypes)
        ComboBox1->addItem(
            QString::fromUtf8(type.ItemText.data(), static_cast<qsizetype>(type.ItemText.size())));
    ComboBox1->setCurrentIndex(-1);

    RadioGroup1 = new TRadioGroup(QStringLiteral("Vorton"), FiveCharPreToneItems(), 1, client);
    RadioGroup1->setGeometry(62, 264, 291, 217);
    RadioGroup1->SetItemIndex(0);
    RadioGroup1->hide();

    RadioGroup2 = new TRadioGroup(QStringLiteral("Alarmart"), AlarmTypeItems(), 1, client);
    RadioGroup2->setGeometry(498, 280, 199, 201);
    RadioGroup2->SetItemIndex(6);

    Label3 = MakeLabel(client, "Gebertyp", {552, 88, 43, 13});
    Panel2 = MakePanel(client, {136, 48, 106, 26});
    Timer1 = MakeTimer(this, 500);

    ComboBox2 = MakeEditableComboBox(client, {88, 184, 118, 21});
    for (const std::string& code : StoredFixedCodes())
        ComboBox2->addItem(FromLatin1Bytes(code));
    ComboBox2->setCurrentIndex(-1);
    ComboBox2->setItemDelegate(new TShortEntryDelegate(ComboBox2));
    if (auto* list = qobject_cast<QListView*>(ComboBox2->view()))
        list->setUniformItemSizes(true);
    ComboBox2->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox2->hide();
    ComboBox2->setEnabled(false);

    CheckBox1 = new QCheckBox(QStringLiteral("Freie Eingabe"), client);
    CheckBox1->setGeometry(552, 128, 105, 13);
    CheckBox1->setChecked(true);

    Timer2 = MakeTimer(this, 1000);
    Label4 = MakeLabel(client, "Träger", {380, 48, 31, 13});
    Label5 = MakeLabel(client, "Feste Kodierungen", {84, 164, 89, 13});
    Label5->hide();

    SpeedButton1 = new QPushButton(QStringLiteral("Auslösen"), client);
    SpeedButton1->setGeometry(353, 174, 85, 33);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setFont(FormFont(15, true));
    SetTriggerButton(false);

    RadioGroup3 = new TRadioGroup(QStringLiteral("Tonband"), TapeItems(), 1, client);
    RadioGroup3->setGeometry(498, 244, 191, 61);
    RadioGroup3->SetItemIndex(1);
    RadioGroup3->hide();

    RadioGroup4 = new TRadioGroup(QStringLiteral("Vorton"), TenCharPreToneItems(), 2, client);
    RadioGroup4->setGeometry(62, 238, 291, 243);
    RadioGroup4->setFont(PixelFont(QStringLiteral("Courier New"), 12));
    RadioGroup4->SetItemIndex(0);
    RadioGroup4->hide();

    RadioGroup5 = new TRadioGroup(QStringLiteral("Alarmart"), TwoToneAlarmItems(), 1, client);
    RadioGroup5->setGeometry(498, 336, 189, 145);
    RadioGroup5->SetItemIndex(0);
    RadioGroup5->hide();

    CheckBox2 = new QCheckBox(QStringLiteral("Daueraussendung"), client);
    CheckBox2->setGeometry(88, 208, 117, 13);
    CheckBox2->hide();

    Panel1 = MakePanel(client, {385, 69, 21, 21});
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    ComboBox3 = MakeEditableComboBox(client, {552, 192, 121, 21});
    Label6 = MakeLabel(client, "Schnittstellenauswahl", {552, 176, 102, 13});
    Panel3 = MakePanel(client, {546, 48, 129, 25});
    Panel3->hide();
    Timer3 = MakeTimer(this, 1000);
    Panel4 = MakePanel(client, {264, 0, 265, 41});
    Panel4->setFont(FormFont(19));
    Panel4->hide();
    Panel5 = MakePanel(client, {59, 7, 111, 33});

    // Labels size themselves to their text, as stored labels do; check boxes and option groups
    // grow the same way where a caption needs more than its stored bounds: the fonts here are not
    // quite the ones the bounds were measured with, and a clipped caption helps nobody.
    for (QWidget* control : std::initializer_list<QWidget*>{
             Label1, Label2, Label3, Label4, Label5, Label6, CheckBox1, CheckBox2, RadioGroup1,
             RadioGroup2, RadioGroup3, RadioGroup4, RadioGroup5})
        control->resize(control->size().expandedTo(control->sizeHint()));

    // The stored names, so that tools and tests find each control as the window knows it.
    const std::pair<QObject*, const char*> names[] = {{StatusLine, "StatusLine"},
                                                      {Label1, "Label1"},
                                                      {Label2, "Label2"},
                                                      {Edit1, "Edit1"},
                                                      {ComboBox1, "ComboBox1"},
                                                      {RadioGroup1, "RadioGroup1"},
                                                      {RadioGroup2, "RadioGroup2"},
                                                      {Label3, "Label3"},
                                                      {Panel2, "Panel2"},
                                                      {Timer1, "Timer1"},
                                                      {ComboBox2, "ComboBox2"},
                                                      {CheckBox1, "CheckBox1"},
                                                      {Timer2, "Timer2"},
                                                      {Label4, "Label4"},
                                                      {Label5, "Label5"},
                                                      {SpeedButton1, "SpeedButton1"},
                                                      {RadioGroup3, "RadioGroup3"},
                                                      {RadioGroup4, "RadioGroup4"},
                                                      {RadioGroup5, "RadioGroup5"},
                                                      {CheckBox2, "CheckBox2"},
                                                      {Panel1, "Panel1"},
                                                      {ComboBox3, "ComboBox3"},
                                                      {Label6, "Label6"},
                                                      {Panel3, "Panel3"},
                                                      {Timer3, "Timer3"},
                                                      {Panel4, "Panel4"},
                                                      {Panel5, "Panel5"}};
    for (const auto& [control, name] : names)
        control->setObjectName(QString::fromLatin1(name));

    QWidget* focusChain[] = {Edit1,
                             ComboBox1,
                             RadioGroup1->FocusItem(),
                             RadioGroup2->FocusItem(),
                             ComboBox2,
                             CheckBox1,
                             RadioGroup3->FocusItem(),
                             RadioGroup4->FocusItem(),
                             RadioGroup5->FocusItem(),
                             CheckBox2,
                             ComboBox3};
    for (std::size_t i = 1; i < std::size(focusChain); ++i)
        setTabOrder(focusChain[i - 1], focusChain[i]);
    PlanRun = new TPlanRunPanel(*this, client, QRect(712, 88, 184, 172));
    CreateTestRecordPanel(client);
    TestRecord->RowShown = [this](std::size_t index, const TTestRecordRow& row, bool complete) {
        PlanRun->RowShown(index, row, complete);
    };
    Edit1->setFocus();
}

void TMainForm::CreateTestRecordPanel(QWidget* client) {
    // The band starts below the lowest option group as the window's fonts have sized it (the
    // ten-character pre-tone group grows past its stored bounds), so no stored control is covered
    // or moved; its controls come after every stored control in the tab order.
    int top = 0;
    for (const QWidget* group : {RadioGroup1, RadioGroup2, RadioGroup3, RadioGroup4, RadioGroup5})
        top = std::max(top, group->geometry().bottom() + 2);
    const int bottom = height() - StatusLine->height() - 2;
    TestRecord = new TTestRecordPanel(client, QRect(8, top, 888, bottom - top));
    QWidget* chain[] = {ComboBox3, PlanRun->StartButton, PlanRun->PauseButton, PlanRun->StopButton,
                        TestRecord->ToneInputSelector};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}
