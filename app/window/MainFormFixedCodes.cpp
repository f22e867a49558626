// The fixed code list: loading "Tonfolgen.txt" and sending its entries one per tick, gated by
// the encoder's acknowledgements.

#include "app/fixedcodes/CodeListFile.h"
#include "app/fixedcodes/FixedSequence.h"
#include "app/telegram/TelegramBuilder.h"
#include "app/window/Controls.h"
#include "app/window/MainForm.h"
#include "app/window/MessageBox.h"
#include "app/window/WidgetText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

void TMainForm::LoadFixedCodeList() {
    const std::optional<std::vector<std::string>> entries = ReadCodeListFile(CodeListFileName);
    if (!entries) {
        ShowMessage(QStringLiteral("Datei \"Tonfolgen.txt\" nicht gefunden"));
        return;
    }
    ComboBox2->clear();
    for (const std::string& entry : *entries)
        ComboBox2->addItem(FromLatin1Bytes(entry));
}

void TMainForm::Timer2Timer() {
    if (!LastReplyWasAck)
        return;
    const std::string entry = Latin1Bytes(ComboBox2->currentText());
    const std::string telegram = BuildFixedTelegram(entry);
    SioComPort1->WriteString(telegram);
    RecordFixedAlarm(entry, telegram);
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
