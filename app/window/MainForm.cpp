// The window and its rules: creation and start-up, hints, the code field, the encoder type,
// the switch between free input and fixed codes, the trigger action and the port switch.

#include "app/window/MainForm.h"

#include "app/telegram/TelegramBuilder.h"
#include "app/telegram/TelegramReading.h"
#include "app/window/CodeField.h"
#include "app/window/CodeKeyFilter.h"
#include "app/window/Controls.h"
#include "app/window/EventHook.h"
#include "app/window/MessageBox.h"
#include "app/window/PlanRunPanel.h"
#include "app/window/TestRecordPanel.h"
#include "app/window/WidgetText.h"
#include "app/window/WindowRules.h"
#include "framework/ErrorReport.h"
#include "serial/component/SioPortList.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    CreateControls();
    SetUpSioComPort1();
    ConnectHandlers();
    new TEventHook(
        Edit1,
        [this](QObject*, QEvent* event) {
            return event->type() == QEvent::KeyPress && FilterCodeKey(event);
        },
        this);
    for (QComboBox* selector : {ComboBox1, ComboBox2, static_cast<QComboBox*>(ComboBox3)})
        IgnoreWheelUnlessFocused(selector);
    ComboBox3->SetOnDropDown([this] { RunReportingErrors([this] { ComboBox3DropDown(); }); });
    CentreOnScreen();
    Timer3->start();
    RunReportingErrors([this] { FormCreate(); });
}

TMainForm::~TMainForm() {
    RunReportingErrors([this] { TestRecord->Close(); });
    // Closing the port lets pending events run; no handler may be reached by them any more,
    // while the port closes with the window still standing around it.
    for (const QMetaObject::Connection& connection : HandlerConnections_)
        disconnect(connection);
    SioComPort1->SetOnTriggerAvail(nullptr);
    SioComPort1.reset();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    RunReportingErrors([this] {
        TestRecord->Close();
        if (!ProgramEnding())
            TestRecord->AskForUnsavedRows();
    });
    QMainWindow::closeEvent(event);
}

void TMainForm::SetUpSioComPort1() {
    SioComPort1 = std::make_unique<TSioComPort>();
    TComponent::TLoadingScope loading(*SioComPort1);
    SioComPort1->SetName("SioComPort1");
    SioComPort1->SetBaud(1200);
    SioComPort1->SetTraceName("SIO.TRC");
    SioComPort1->SetLogName("SIO.LOG");
    SioComPort1->SetOnTriggerAvail([this](TSioCustomComPort& CP, std::uint16_t Count) {
        RunReportingErrors([&] { SioComPort1TriggerAvail(CP, Count); });
    });
}

void TMainForm::ConnectHandlers() {
    ConnectGuarded(Edit1, &QLineEdit::textChanged, &TMainForm::Edit1Change);
    ConnectGuarded(ComboBox1, &QComboBox::activated, &TMainForm::ComboBox1Change);
    ConnectGuarded(ComboBox1->lineEdit(), &QLineEdit::textEdited, &TMainForm::ComboBox1Change);
    ConnectGuarded(CheckBox1, &QCheckBox::toggled, &TMainForm::CheckBox1Click);
    ConnectGuarded(SpeedButton1, &QPushButton::clicked, &TMainForm::SpeedButton1Click);
    ConnectGuarded(ComboBox3, &QComboBox::activated, &TMainForm::ComboBox3Select);
    ConnectGuarded(ComboBox3->lineEdit(), &QLineEdit::editingFinished,
                   &TMainForm::ComboBox3EditingFinished);
    ConnectGuarded(Timer1, &QTimer::timeout, &TMainForm::Timer1Timer);
    ConnectGuarded(Timer2, &QTimer::timeout, &TMainForm::Timer2Timer);
    ConnectGuarded(Timer3, &QTimer::timeout, &TMainForm::Timer3Timer);
}

void TMainForm::CentreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TMainForm::FormCreate() {
    OpenFirstPort();
    new TEventHook(
        qApp,
        [this](QObject*, QEvent* event) {
            if (event->type() == QEvent::StatusTip) {
                const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
                RunReportingErrors([this, &tip] { ShowHint(tip); });
            }
            return false;
        },
        this);
    Timer1->start();
    LoadFixedCodeList();
    ComboBox1->setCurrentIndex(0);
    ComboBox2->setCurrentIndex(0);
    RadioGroup1->show();
    RadioGroup4->hide();
    RadioGroup2->show();
    RadioGroup5->hide();
    CheckBox2->setEnabled(false);
    Edit1->setEnabled(true);
    ComboBox2->setEnabled(false);
}

void TMainForm::OpenFirstPort() {
    try {
        ComboBox3->addItems(AvailablePortEntries());
        ComboBox3->setCurrentIndex(0);
        SioComPort1->SetComNumber(PortNumberFromEntry(Latin1Bytes(ComboBox3->currentText())));
        SioComPort1->SetOpen(true);
    } catch (...) {
        // The operator is asked for a port. Should that fail too, it is reported once and the
        // start-up goes on, so the window never comes up half set up.
        RunReportingErrors([this] {
            SioComPort1->SetComNumber(0);
            SioComPort1->SetOpen(true);
        });
        ShowPortInUse();
    }
}

void TMainForm::ShowHint(const QString& hint) {
    StatusLine->showMessage(hint);
}

bool TMainForm::FilterCodeKey(QEvent* event) {
    const auto& key = *static_cast<QKeyEvent*>(event);
    // The paste shortcut pastes as Shift+Insert and the context menu do; the field's own filter
    // then keeps only code characters.
    if (key.matches(QKeySequence::Paste))
        return false;
    const std::optional<char32_t> typed = TypedCharacter(key);
    if (!typed)
        return false;
    char32_t character = *typed;
    // A handler that fails lets nothing through rather than an unchecked character.
    const bool handled = RunReportingErrors([this, &character] { Edit1KeyPress(character); });
    return !handled || character == 0;
}

void TMainForm::Edit1KeyPress(char32_t& key) {
    if (!IsCodeCharacter(key))
        key = 0;
}

void TMainForm::Edit1Change() {
    if (CheckBox1->isChecked())
        UpdateTriggerButton();
}

void TMainForm::UpdateTriggerButton() {
    SetTriggerButton(
        TriggerArmed(static_cast<std::size_t>(Edit1->text().size()), Edit1->MaxCodeLength()));
}

void TMainForm::SetTriggerButton(bool enabled) {
    // A test plan's run holds "Auslösen" locked whatever the code field says.
    SpeedButton1->setEnabled(enabled && (PlanRun == nullptr || !PlanRun->Running()));
    // The caption colour is that of an enabled button; disabled, it shows the style's greyed
    // caption, so armed and disarmed differ by more than red against black.
    QPalette palette = SpeedButton1->palette();
    const QColor colour = enabled ? QColor(255, 0, 0) : QColor(0, 0, 0);
    palette.setColor(QPalette::Active, QPalette::ButtonText, colour);
    palette.setColor(QPalette::Inactive, QPalette::ButtonText, colour);
    SpeedButton1->setPalette(palette);
}

int TMainForm::SelectedEncoderType() const {
    return SelectedItemIndex(*ComboBox1);
}

void TMainForm::ComboBox1Change() {
    if (!Edit1->isHidden())
        Edit1->setFocus();
    const TEncoderTypeView view = ViewForEncoderType(SelectedEncoderType());
    Edit1->SetMaxCodeLength(view.MaxLength);
    RadioGroup3->setVisible(view.TapeShown);
    RadioGroup1->setVisible(view.FiveCharPreToneShown);
    RadioGroup4->setVisible(view.TenCharPreToneShown);
    RadioGroup2->setVisible(view.AlarmTypeShown);
    RadioGroup5->setVisible(view.TwoToneAlarmShown);
    Panel3->setVisible(view.EncoderStateShown);
    // Clearing an empty field changes nothing, yet the rule must still see the new length.
    if (Edit1->text().isEmpty())
        Edit1Change();
    else
        Edit1->clear();
}

void TMainForm::CheckBox1Click() {
    if (CheckBox1->isChecked()) {
        CheckBox2->setEnabled(false);
        Edit1->setEnabled(true);
        Edit1->show();
        ComboBox2->setEnabled(false);
        ComboBox2->hide();
        CheckBox2->setChecked(false);
        CheckBox2->hide();
        Label5->hide();
        UpdateTriggerButton();
    } else {
        // A pass left running from before is stopped: the operator starts the next one.
        StopFixedPass();
        SetTriggerButton(true);
        CheckBox2->setEnabled(true);
        Edit1->setEnabled(false);
        Edit1->hide();
        ComboBox2->setEnabled(true);
        ComboBox2->show();
        CheckBox2->show();
        Label5->show();
    }
}

void TMainForm::SpeedButton1Click() {
    FixedSendCount = 0;
    // A press during a pass ends it, so the operator can always stop one.
    const bool passRunning = Timer2->isActive();
    StopFixedPass();
    if (!CheckBox1->isChecked()) {
        if (!passRunning)
            Timer2->start();
        return;
    }
    Timer1->stop();
    const std::string telegram =
        BuildTelegram(SelectedEncoderType(), Latin1Bytes(Edit1->text()), RadioGroup1->ItemIndex(),
                      RadioGroup2->ItemIndex(), RadioGroup3->ItemIndex(), RadioGroup4->ItemIndex());
    if (!telegram.empty())
        SendAlarm(telegram, TypedAlarm(telegram));
    Timer1->start();
}

void TMainForm::SendAlarm(const std::string& telegram, TAlarmSent alarm) {
    // An open port whose device has gone takes writes without a word; they go nowhere.
    if (SioComPort1->Open() && !SioComPort1->DeviceAttached()) {
        alarm.Sent = false;
        TestRecord->AlarmSent(std::move(alarm));
        ShowMessage(QStringLiteral("Geber nicht verbunden – Alarm nicht gesendet"));
        return;
    }
    try {
        SioComPort1->WriteString(telegram);
    } catch (...) {
        alarm.Sent = false;
        TestRecord->AlarmSent(std::move(alarm));
        throw;
    }
    TestRecord->AlarmSent(std::move(alarm));
}

TAlarmSent TMainForm::TypedAlarm(const std::string& telegram) const {
    // The option groups as the window shows them for the type: the one of each pair in sight.
    const auto shownItem = [](const TRadioGroup& first, const TRadioGroup& second) {
        for (const TRadioGroup* group : {&first, &second})
            if (!group->isHidden() && group->ItemIndex() >= 0)
                return group->Item(group->ItemIndex())->text().toStdString();
        return std::string();
    };
    TAlarmSent alarm;
    alarm.EncoderType = ComboBox1->currentText().toStdString();
    alarm.Code = Edit1->text().toStdString();
    alarm.PreTone = shownItem(*RadioGroup1, *RadioGroup4);
    alarm.AlarmType = shownItem(*RadioGroup2, *RadioGroup5);
    alarm.TelegramHex = TelegramHex(telegram);
    alarm.Expected = ExpectedSymbols(Latin1Bytes(Edit1->text()));
    alarm.Step = PlanStep;
    return alarm;
}

void TMainForm::ComboBox3Change() {
    SioComPort1->SetOpen(false);
    SioComPort1->SetComNumber(PortNumberFromEntry(Latin1Bytes(ComboBox3->currentText())));
    try {
        SioComPort1->SetOpen(true);
    } catch (...) {
        SioComPort1->SetComNumber(0);
        SioComPort1->SetOpen(true);
    }
}

void TMainForm::ComboBox3Select() {
    ConfirmPortEntry(true);
}

void TMainForm::ComboBox3EditingFinished() {
    ConfirmPortEntry(false);
}

void TMainForm::ConfirmPortEntry(bool retryUnchanged) {
    // The port dialog or a message takes the focus from the selector, which confirms its text
    // once more; the switch under way already deals with it.
    if (PortSwitchRunning_)
        return;
    const QString entry = ComboBox3->currentText();
    if (entry == PortEntryInUse() && (!retryUnchanged || SioComPort1->Open()))
        return;
    if (!NamesAvailablePort(entry)) {
        ShowPortInUse();
        ShowMessage(QStringLiteral("\"%1\" ist keine verfügbare Schnittstelle").arg(entry));
        return;
    }
    // Afterwards the selector shows the port in use, also when the port dialog chose another
    // or the switch failed.
    PortSwitchRunning_ = true;
    try {
        ComboBox3Change();
    } catch (...) {
        PortSwitchRunning_ = false;
        ShowPortInUse();
        throw;
    }
    PortSwitchRunning_ = false;
    ShowPortInUse();
}

bool TMainForm::NamesAvailablePort(const QString& entry) const {
    try {
        const std::uint16_t port = PortNumberFromEntry(Latin1Bytes(entry));
        return port >= FirstPortNumber && port <= LastPortNumber && ProbePort(port);
    } catch (const EConvertError&) {
        return false;
    }
}

QString TMainForm::PortEntryInUse() const {
    const std::uint16_t port = SioComPort1->ComNumber();
    return port == 0 ? QString() : QString::fromStdString(PortDisplayName(port));
}

void TMainForm::ShowPortInUse() {
    const QString entry = PortEntryInUse();
    const int index = ComboBox3->findText(entry);
    ComboBox3->setCurrentIndex(index);
    if (index < 0)
        ComboBox3->setEditText(entry);
}

void TMainForm::ComboBox3DropDown() {
    const QStringList entries = AvailablePortEntries();
    QStringList shown;
    for (int i = 0; i < ComboBox3->count(); ++i)
        shown << ComboBox3->itemText(i);
    if (entries == shown)
        return;
    // The text stays: the port in use, or what the operator has typed so far.
    const QString text = ComboBox3->currentText();
    ComboBox3->clear();
    ComboBox3->addItems(entries);
    const int index = ComboBox3->findText(text);
    ComboBox3->setCurrentIndex(index);
    if (index < 0)
        ComboBox3->setEditText(text);
}
