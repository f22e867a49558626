// The fixed code list: loading "Tonfolgen.txt" and sending its entries one per tick, gated by
// the encoder's acknowledgements.

#include "app/fixedcodes/CodeListFile.h"
#include "app/fixedcodes/FixedSequence.h"
#include "app/options/OptionGroupItems.h"
#include "app/telegram/TelegramBuilder.h"
#include "app/telegram/TelegramReading.h"
#include "app/window/CodeField.h"
#include "app/window/Controls.h"
#include "app/window/MainForm.h"
#include "app/window/MessageBox.h"
#include "app/window/WidgetText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

void TMainForm::LoadFixedCodeList() {
    const TCodeListRead read = ReadCodeListFile(CodeListFileName);
    switch (read.Outcome) {
    case TCodeListOutcome::Unreadable:
        ShowMessage(QStringLiteral("Datei \"Tonfolgen.txt\" nicht gefunden"));
        return;
    case TCodeListOutcome::NotRegular:
        ShowMessage(
            QStringLiteral("\"Tonfolgen.txt\" ist keine gewöhnliche Datei und wird nicht gelesen"));
        return;
    case TCodeListOutcome::Whole:
    case TCodeListOutcome::Cut:
        break;
    }
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(read.Entries.size()));
    for (const std::string& entry : read.Entries)
        entries << FromLatin1Bytes(entry);
    ComboBox2->clear();
    ComboBox2->addItems(entries);
    if (read.Outcome == TCodeListOutcome::Cut)
        ShowMessage(QStringLiteral("Datei \"Tonfolgen.txt\" ist zu groß: nur die ersten %1 "
                                   "Einträge sind geladen (höchstens %2 Einträge und %3 KiB)")
                        .arg(entries.size())
                        .arg(CodeListMaxEntries)
                        .arg(CodeListMaxBytes / 1024));
}

void TMainForm::Timer2Timer() {
    // With the device gone or the link lost a write would vanish yet count as sent: the pass
    // waits, and goes on with the same code once the encoder answers again.
    if (!LastReplyWasAck || !EncoderReachable())
        return;
    if (!SendFixedCode(Latin1Bytes(ComboBox2->currentText())))
        return;
    ++FixedSendCount;
    Panel5->SetCaption(QString::number(FixedSendCount));
    const TFixedStep step = NextFixedStep(SelectedItemIndex(*ComboBox2), ComboBox2->count());
    ComboBox2->setCurrentIndex(step.NextIndex);
    if (!step.PassEnded)
        return;
    if (!CheckBox2->isChecked())
        Timer2->stop();
    if (!Timer1->isActive())
        Timer1->start();
}

bool TMainForm::SendFixedCode(const std::string& entry) {
    const std::string telegram = BuildFixedTelegram(entry);
    if (telegram.size() > SioComPort1->OutSize()) {
        EndPassWithUnsendableCode(telegram.size());
        return false;
    }
    SendAlarm(telegram, FixedAlarm(entry, telegram));
    return true;
}

std::vector<QWidget*> TMainForm::RunOwnedControls() const {
    return {Edit1,       ComboBox1,   ComboBox2,   ComboBox3,   CheckBox1,   CheckBox2,
            RadioGroup1, RadioGroup2, RadioGroup3, RadioGroup4, RadioGroup5, SpeedButton1};
}

TAlarmSent TMainForm::FixedAlarm(const std::string& entry, const std::string& telegram) const {
    const auto itemText = [](const std::vector<std::string>& items, std::optional<int> item) {
        const bool inList = item && *item >= 0 && *item < static_cast<int>(items.size());
        return inList ? items[static_cast<std::size_t>(*item)] : std::string();
    };
    const TFixedEntryView view = ViewFixedEntry(entry);
    TAlarmSent alarm;
    alarm.EncoderType = ComboBox1->currentText().toStdString();
    alarm.Code = FromLatin1Bytes(entry).toStdString();
    alarm.PreTone = itemText(FiveCharPreToneItems(), view.PreToneItem);
    alarm.AlarmType = itemText(AlarmTypeItems(), view.AlarmTypeItem);
    alarm.TelegramHex = TelegramHex(telegram);
    alarm.Expected = view.Symbols;
    alarm.Step = PlanStep;
    return alarm;
}

void TMainForm::StopFixedPass() {
    if (!Timer2->isActive())
        return;
    Timer2->stop();
    if (!Timer1->isActive())
        Timer1->start();
}

void TMainForm::EndPassWithUnsendableCode(std::size_t telegramSize) {
    // No later tick could send it either: the pass ends here, on the entry, and says so once.
    StopFixedPass();
    const int entry = SelectedItemIndex(*ComboBox2);
    const QString which = entry >= 0 ? QStringLiteral("Die Kodierung in Zeile %1").arg(entry + 1)
                                     : QStringLiteral("Die eingegebene Kodierung");
    ShowMessage(QStringLiteral("%1 ist zu lang zum Senden (%2 Bytes, höchstens %3). Die "
                               "Aussendung ist beendet.")
                    .arg(which)
                    .arg(telegramSize)
                    .arg(SioComPort1->OutSize()));
}
