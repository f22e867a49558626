// The test record: a row for every alarm sent, filled with the encoder's replies and with what
// the tone input hears, judged, shown newest first and appended to the day's file; and the
// tone input it listens on, remembered between runs.

#include "app/options/OptionGroupItems.h"
#include "app/telegram/TelegramBuilder.h"
#include "app/testrecord/AlarmCode.h"
#include "app/testrecord/RecordFile.h"
#include "app/window/Controls.h"
#include "app/window/MainForm.h"
#include "app/window/ToneListener.h"
#include "app/window/WidgetText.h"
#include "framework/ErrorReport.h"

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QMediaDevices>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

const QString ToneInputKey = QStringLiteral("Pruefprotokoll/Toneingang");
const QString ToneStandardKey = QStringLiteral("Pruefprotokoll/Tonfolge");

QSettings Settings() {
    return QSettings(QStringLiteral("Quorvane"), QStringLiteral("Quorvane"));
}

// The bytes as two-digit hex, spaced: "02 40 31".
std::string Hex(const std::string& bytes) {
    std::string hex;
    for (const char byte : bytes) {
        if (!hex.empty())
            hex += ' ';
        hex += ChecksumHex(static_cast<unsigned char>(byte));
    }
    return hex;
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// The selected item of the group the window shows, as it reads there.
std::string ShownItem(const TRadioGroup& first, const TRadioGroup& second) {
    for (const TRadioGroup* group : {&first, &second})
        if (!group->isHidden() && group->ItemIndex() >= 0)
            return Utf8(group->Item(group->ItemIndex())->text());
    return {};
}

std::string ItemText(const std::vector<std::string>& items, std::optional<int> item) {
    if (!item || *item < 0 || *item >= static_cast<int>(items.size()))
        return {};
    return items[static_cast<std::size_t>(*item)];
}

std::optional<QAudioDevice> AudioInput(const QByteArray& id) {
    for (const QAudioDevice& device : QMediaDevices::audioInputs())
        if (device.id() == id)
            return device;
    return std::nullopt;
}

} // namespace

void TMainForm::SetUpTestRecord() {
    ToneListener1 = new TToneListener(this);
    ToneListener1->SetOnHeard([this](const std::vector<HeardSignal>& heard) {
        RunReportingErrors([&] { ToneListener1Heard(heard); });
    });
    ToneListener1->SetOnFailure([this](const QString& reason) {
        RunReportingErrors([&] { ToneListener1Failure(reason); });
    });
    MediaDevices_ = new QMediaDevices(this);

    for (const ToneStandard standard : AllToneStandards)
        ComboBox5->addItem(QString::fromLatin1(DisplayName(standard)));
    const auto remembered =
        ParseToneStandard(Settings().value(ToneStandardKey).toString().toStdString());
    ComboBox5->setCurrentIndex(static_cast<int>(remembered.value_or(DefaultToneStandard)));
    FillToneInputs();
    ShowLevelOff();
    for (QComboBox* selector : {ComboBox4, ComboBox5})
        IgnoreWheelUnlessFocused(selector);

    ConnectGuarded(ComboBox4, &QComboBox::activated, &TMainForm::ComboBox4Change);
    ConnectGuarded(ComboBox5, &QComboBox::activated, &TMainForm::ComboBox5Change);
    ConnectGuarded(Timer4, &QTimer::timeout, &TMainForm::Timer4Timer);
    ConnectGuarded(Timer5, &QTimer::timeout, &TMainForm::Timer5Timer);
    ConnectGuarded(MediaDevices_, &QMediaDevices::audioInputsChanged, &TMainForm::FillToneInputs);
    RunReportingErrors([this] { ListenToChosenInput(); });
}

void TMainForm::FillToneInputs() {
    const QByteArray chosen = ComboBox4->count() > 0 ? ComboBox4->currentData().toByteArray()
                                                     : Settings().value(ToneInputKey).toByteArray();
    {
        const QSignalBlocker blocker(ComboBox4);
        ComboBox4->clear();
        ComboBox4->addItem(QStringLiteral("Aus"), QByteArray());
        for (const QAudioDevice& device : QMediaDevices::audioInputs())
            ComboBox4->addItem(device.description(), device.id());
        ComboBox4->setCurrentIndex(std::max(0, ComboBox4->findData(chosen)));
    }
    // The input listened to has gone: the choice falls back to "Aus", the setting stays.
    if (ToneListener1->Listening() &&
        ComboBox4->currentData().toByteArray() != ToneListener1->DeviceId())
        ListenToChosenInput();
}

void TMainForm::ComboBox4Change() {
    Settings().setValue(ToneInputKey, ComboBox4->currentData().toByteArray());
    ListenToChosenInput();
}

void TMainForm::ComboBox5Change() {
    const auto standard = AllToneStandards.at(static_cast<std::size_t>(ComboBox5->currentIndex()));
    Settings().setValue(ToneStandardKey, QString::fromLatin1(OptionName(standard)));
    if (ToneListener1->Listening())
        ListenToChosenInput();
}

void TMainForm::ListenToChosenInput() {
    const std::optional<QAudioDevice> device = AudioInput(ComboBox4->currentData().toByteArray());
    if (!device) {
        ToneListener1->Stop();
        ComboBox4->setCurrentIndex(0);
        Timer5->stop();
        ShowLevelOff();
        ApplyRecordChange(RecordBook_.StopListening());
        return;
    }
    try {
        ToneListener1->Start(
            *device, AllToneStandards.at(static_cast<std::size_t>(ComboBox5->currentIndex())));
    } catch (...) {
        ComboBox4->setCurrentIndex(0);
        ListenToChosenInput();
        throw;
    }
    Timer5->start();
}

void TMainForm::ShowLevelOff() {
    ProgressBar1->setValue(ProgressBar1->minimum());
    ProgressBar1->setFormat(QStringLiteral("Aus"));
}

void TMainForm::Timer5Timer() {
    const double level = ToneListener1->LevelDbfs();
    ProgressBar1->setValue(std::clamp(static_cast<int>(std::lround(level)), ProgressBar1->minimum(),
                                      ProgressBar1->maximum()));
    ProgressBar1->setFormat(level <= SilenceLevelDbfs ? QStringLiteral("Stille")
                                                      : QStringLiteral("%v dBFS"));
}

void TMainForm::ToneListener1Heard(const std::vector<HeardSignal>& heard) {
    for (const HeardSignal& signal : heard)
        ApplyRecordChange(RecordBook_.AddHeard(signal));
}

void TMainForm::ToneListener1Failure(const QString& reason) {
    ComboBox4->setCurrentIndex(0);
    ListenToChosenInput();
    throw std::runtime_error("Toneingang " + Utf8(reason));
}

void TMainForm::Timer4Timer() {
    ApplyRecordChange(RecordBook_.Expire(TTestRecordBook::TTime::clock::now()));
}

TAlarmSent TMainForm::AlarmBeingSent(const std::string& telegram) const {
    const QDateTime now = QDateTime::currentDateTime();
    TAlarmSent alarm;
    alarm.Date = Utf8(now.toString(QStringLiteral("yyyy-MM-dd")));
    alarm.Time = Utf8(now.toString(QStringLiteral("HH:mm:ss")));
    alarm.EncoderType = Utf8(ComboBox1->currentText());
    alarm.TelegramHex = Hex(telegram);
    alarm.Listening = ToneListener1->Listening();
    return alarm;
}

void TMainForm::RecordTypedAlarm(const std::string& telegram) {
    if (telegram.empty())
        return; // nothing went out
    TAlarmSent alarm = AlarmBeingSent(telegram);
    alarm.Code = Utf8(Edit1->text());
    alarm.PreTone = ShownItem(*RadioGroup1, *RadioGroup4);
    alarm.AlarmType = ShownItem(*RadioGroup2, *RadioGroup5);
    alarm.Expected = ExpectedSymbols(Latin1Bytes(Edit1->text()));
    ApplyRecordChange(RecordBook_.AddAlarm(std::move(alarm), TTestRecordBook::TTime::clock::now()));
}

void TMainForm::RecordFixedAlarm(const std::string& entry, const std::string& telegram) {
    TAlarmSent alarm = AlarmBeingSent(telegram);
    const TFixedEntryView view = ViewFixedEntry(entry);
    alarm.Code = Utf8(FromLatin1Bytes(entry));
    alarm.PreTone = ItemText(FiveCharPreToneItems(), view.PreToneItem);
    alarm.AlarmType = ItemText(AlarmTypeItems(), view.AlarmTypeItem);
    alarm.Expected = view.Symbols;
    ApplyRecordChange(RecordBook_.AddAlarm(std::move(alarm), TTestRecordBook::TTime::clock::now()));
}

void TMainForm::RecordReply(TReplyKind reply) {
    if (const std::string_view text = RecordedReply(reply); !text.empty())
        ApplyRecordChange(RecordBook_.AddReply(text));
}

void TMainForm::RecordLinkLost() {
    ApplyRecordChange(RecordBook_.AddReply(LinkLostReply));
}

void TMainForm::ApplyRecordChange(const TTestRecordBook::TChange& change) {
    for (const std::size_t index : change.Changed)
        ShowRecordRow(index);
    for (const std::size_t index : change.Completed) {
        ShowRecordRow(index);
        WriteRecordRow(index);
    }
    if (const auto deadline = RecordBook_.NextDeadline()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            *deadline - TTestRecordBook::TTime::clock::now());
        Timer4->start(static_cast<int>(std::max<std::int64_t>(0, left.count())));
    } else
        Timer4->stop();
}

void TMainForm::ShowRecordRow(std::size_t index) {
    // Rows are never removed and the newest stands on top, so row i is item count-1-i.
    const auto rows = static_cast<std::size_t>(ListView1->topLevelItemCount());
    if (index >= rows)
        ListView1->insertTopLevelItem(0, new QTreeWidgetItem());
    QTreeWidgetItem* item =
        ListView1->topLevelItem(static_cast<int>(RecordBook_.RowCount() - 1 - index));
    const TRecordFields fields = RecordFields(RecordBook_.Row(index));
    for (int column = 0; column < rcColumnCount; ++column) {
        const QString text = QString::fromStdString(fields[static_cast<std::size_t>(column)]);
        item->setText(column, text);
        item->setToolTip(column, text);
    }
}

void TMainForm::WriteRecordRow(std::size_t index) {
    const TTestRecordRow& row = RecordBook_.Row(index);
    const std::string file = RecordFileName(row.Alarm.Date);
    const std::optional<std::string> failure = AppendRecordLine(file, row);
    if (!failure || RecordFileFailureShown_)
        return;
    RecordFileFailureShown_ = true;
    // Told once, outside the handler that is recording, and the program goes on.
    const std::string message =
        "Prüfprotokoll \"" + file + "\" kann nicht geschrieben werden: " + *failure;
    QTimer::singleShot(0, this, [message] { ShowErrorReport(message); });
}

void TMainForm::CloseTestRecord() {
    ToneListener1->Stop();
    Timer4->stop();
    Timer5->stop();
    ApplyRecordChange(RecordBook_.CompleteAll());
}
