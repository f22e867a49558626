#include "app/window/PlanRunPanel.h"

#include "app/options/OptionGroupItems.h"
#include "app/report/ReportRows.h"
#include "app/testplan/PlanFile.h"
#include "app/tonecheck/AlarmJudge.h"
#include "app/tonecheck/LimitsFile.h"
#include "app/window/Controls.h"
#include "app/window/GuardedConnect.h"
#include "app/window/MainForm.h"
#include "app/window/MessageBox.h"
#include "app/window/TestRecordPanel.h"
#include "app/window/WidgetText.h"
#include "framework/ErrorReport.h"
#include "runtime/RegularFile.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
namespace {

constexpr std::size_t PlanFileMaxBytes = 1024 * 1024;
// A row listened for completes when its hearing window ends; this only guards against one that
// never would.
constexpr double ListenedSettleSpareSeconds = 10.0;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool FiveCharacterGroups(int encoderType) {
    return TypeOptionGroups(encoderType).PreTone == &FiveCharPreToneItems();
}

} // namespace

TPlanRunPanel::TPlanRunPanel(TMainForm& form, QWidget* client, QRect bounds)
    : QGroupBox(QStringLiteral("Prüfablauf"), client), Form_(form) {
    setObjectName(QStringLiteral("PlanRun"));
    setGeometry(bounds);
    const int width = bounds.width() - 16;
    StartButton = new QPushButton(QStringLiteral("Prüfablauf …"), this);
    StartButton->setGeometry(8, 20, width, 24);
    auto* menu = new QMenu(StartButton);
    const std::pair<const char*, void (TPlanRunPanel::*)()> plans[] = {
        {"Prüfplan aus Datei …", nullptr},
        {AllAlarmTypesPlanName, &TPlanRunPanel::StartAllAlarmTypes},
        {AllPreTonesPlanName, &TPlanRunPanel::StartAllPreTones},
        {"Dauertest …", &TPlanRunPanel::StartEndurance},
        {FixedCodesPlanName, &TPlanRunPanel::StartFixedCodes}};
    for (const auto& [text, start] : plans) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        if (start != nullptr) {
            ConnectGuarded(action, &QAction::triggered, this, start);
            continue;
        }
        QObject::connect(action, &QAction::triggered, this, [this] {
            RunReportingErrors([this] {
                if (const QString path = ChoosePlanFile(); !path.isEmpty())
                    StartPlanFile(path);
            });
        });
    }
    StartButton->setMenu(menu);
    PauseButton = new QPushButton(QStringLiteral("Anhalten"), this);
    PauseButton->setGeometry(8, 50, width / 2 - 2, 24);
    StopButton = new QPushButton(QStringLiteral("Beenden"), this);
    StopButton->setGeometry(8 + width / 2 + 2, 50, width / 2 - 2, 24);
    Progress = new QProgressBar(this);
    Progress->setGeometry(8, 82, width, 20);
    Progress->setTextVisible(true);
    Times = new QLabel(this);
    Times->setGeometry(8, 106, width, 18);
    Tally = new QLabel(this);
    Tally->setGeometry(8, 126, width, 36);
    Tally->setWordWrap(true);
    Tally->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    TickTimer = new QTimer(this);
    TickTimer->setInterval(200);
    ConnectGuarded(PauseButton, &QPushButton::clicked, this, &TPlanRunPanel::PauseButtonClick);
    ConnectGuarded(StopButton, &QPushButton::clicked, this, &TPlanRunPanel::StopButtonClick);
    ConnectGuarded(TickTimer, &QTimer::timeout, this, &TPlanRunPanel::TickTimerTimer);

    ChoosePlanFile = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Prüfplan öffnen"),
                                            QDir::currentPath(),
                                            QStringLiteral("Prüfpläne (*.txt);;Alle Dateien (*)"));
    };
    AskCount = [this]() -> std::optional<int> {
        bool ok = false;
        const int count = QInputDialog::getInt(this, QStringLiteral("Dauertest"),
                                               QStringLiteral("Wie oft soll der Alarm gesendet "
                                                              "werden?"),
                                               20, 1, MaxStepCount, 1, &ok);
        return ok ? std::optional(count) : std::nullopt;
    };
    ShowReport = [this](std::vector<TReportRow> rows, const QString& note) {
        Form_.TestRecord->OpenReport(std::move(rows), note);
    };
    ShowProgress();
}

void TPlanRunPanel::StartPlan(TTestPlan plan) {
    if (Running())
        return;
    if (plan.Steps.empty()) {
        ShowMessage(
            QStringLiteral("Der Prüfplan \"%1\" enthält keinen Alarm").arg(FromUtf8(plan.Name)));
        return;
    }
    Rows_.clear();
    Run_.emplace(std::move(plan), Clock());
    Lock();
    PauseButton->setText(QStringLiteral("Anhalten"));
    TickTimer->start();
    ShowProgress();
}

void TPlanRunPanel::StartPlanFile(const QString& path) {
    const std::string name = QFileInfo(path).fileName().toStdString();
    const TRegularFileRead file = ReadRegularFile(path.toStdString(), PlanFileMaxBytes + 1);
    if (file.Outcome != TRegularFileOutcome::Read) {
        const std::string why = file.Problem.empty() ? "nicht gefunden" : file.Problem;
        ShowMessage(QStringLiteral("Prüfplan \"%1\": %2").arg(path, FromUtf8(why)));
        return;
    }
    if (file.Text.size() > PlanFileMaxBytes) {
        ShowMessage(QStringLiteral("Prüfplan \"%1\" ist größer als 1 MiB").arg(path));
        return;
    }
    TParsedPlan parsed = ParseTestPlan(file.Text, name);
    if (!parsed.Plan) {
        ShowMessage(FromUtf8(LimitsMessageBoxText(parsed.Messages)));
        return;
    }
    StartPlan(std::move(*parsed.Plan));
}

void TPlanRunPanel::StartAllAlarmTypes() {
    if (AlarmIsComplete())
        StartPlan(AllAlarmTypesPlan(CurrentStep()));
}

void TPlanRunPanel::StartAllPreTones() {
    if (AlarmIsComplete())
        StartPlan(AllPreTonesPlan(CurrentStep()));
}

void TPlanRunPanel::StartEndurance() {
    if (!AlarmIsComplete())
        return;
    if (const std::optional<int> count = AskCount())
        StartPlan(EndurancePlan(CurrentStep(), *count));
}

void TPlanRunPanel::StartFixedCodes() {
    std::vector<std::string> entries;
    for (int i = 0; i < Form_.ComboBox2->count(); ++i)
        entries.push_back(Latin1Bytes(Form_.ComboBox2->itemText(i)));
    StartPlan(FixedCodesPlan(entries));
}

void TPlanRunPanel::TickTimerTimer() {
    // A box the send opens runs its own event loop; the alarm going out is not due again.
    if (!Run_ || Sending_)
        return;
    if (const TPlanStep* step = Run_->Due(Clock()))
        SendStep(*step);
    if (Run_ && Run_->Over())
        Finish();
    else
        ShowProgress();
}

void TPlanRunPanel::PauseButtonClick() {
    if (!Run_)
        return;
    if (Run_->Paused())
        Run_->Resume(Clock());
    else
        Run_->Pause(Clock());
    PauseButton->setText(Run_->Paused() ? QStringLiteral("Fortsetzen")
                                        : QStringLiteral("Anhalten"));
    ShowProgress();
}

void TPlanRunPanel::StopButtonClick() {
    if (!Run_)
        return;
    Run_->Stop();
    Finish();
}

void TPlanRunPanel::ReplyReceived(TReplyKind reply) {
    if (Run_)
        Run_->Reply(reply, Clock());
}

void TPlanRunPanel::LinkLost() {
    if (Run_)
        Run_->LinkLost();
}

void TPlanRunPanel::RowShown(std::size_t index, const TTestRecordRow& row, bool complete) {
    if (!Run_)
        return;
    const std::vector<std::size_t>& ours = Run_->Rows();
    if (Sending_) {
        Rows_[index] = row;
        ShownWhileSending_.emplace_back(index, complete);
    } else if (std::find(ours.begin(), ours.end(), index) != ours.end()) {
        Rows_[index] = row;
        Run_->RowChanged(index, row.Verdict.Kind, complete);
    }
}

bool TPlanRunPanel::AlarmIsComplete() const {
    const bool complete = Form_.SelectedEncoderType() >= 0 && Form_.CheckBox1->isChecked() &&
                          Form_.Edit1->text().size() == Form_.Edit1->MaxCodeLength();
    if (!complete)
        ShowMessage(QStringLiteral("Für diesen Prüfablauf erst Gebertyp und vollständige "
                                   "Kodierung eingeben"));
    return complete;
}

TPlanStep TPlanRunPanel::CurrentStep() const {
    const int type = Form_.SelectedEncoderType();
    const bool five = FiveCharacterGroups(type);
    TPlanStep step;
    step.EncoderType = type;
    step.Code = Form_.Edit1->text().toStdString();
    step.PreToneItem = (five ? Form_.RadioGroup1 : Form_.RadioGroup4)->ItemIndex();
    step.AlarmTypeItem = (five ? Form_.RadioGroup2 : Form_.RadioGroup5)->ItemIndex();
    step.TapeItem =
        TypeOptionGroups(type).Tape != nullptr ? Form_.RadioGroup3->ItemIndex() : NoItem;
    return step;
}

void TPlanRunPanel::ApplyStep(const TPlanStep& step) {
    if (!Form_.CheckBox1->isChecked()) {
        Form_.CheckBox1->setChecked(true);
        Form_.CheckBox1Click();
    }
    if (Form_.SelectedEncoderType() != step.EncoderType) {
        Form_.ComboBox1->setCurrentIndex(step.EncoderType);
        Form_.ComboBox1Change();
    }
    Form_.Edit1->setText(QString::fromStdString(step.Code));
    const bool five = FiveCharacterGroups(step.EncoderType);
    (five ? Form_.RadioGroup1 : Form_.RadioGroup4)->SetItemIndex(step.PreToneItem);
    (five ? Form_.RadioGroup2 : Form_.RadioGroup5)->SetItemIndex(step.AlarmTypeItem);
    if (step.TapeItem != NoItem)
        Form_.RadioGroup3->SetItemIndex(step.TapeItem);
}

void TPlanRunPanel::SendStep(const TPlanStep& step) {
    const std::size_t row = Form_.TestRecord->RowCount();
    Sending_ = true;
    ShownWhileSending_.clear();
    Form_.PlanStep = Run_->Number();
    // Whatever the send throws, the run learns of the row it made (a failed write is recorded
    // "nicht gesendet" and sent again once the encoder answers).
    const auto learnRow = [this, row] {
        Sending_ = false;
        Form_.PlanStep = 0;
        if (Form_.TestRecord->RowCount() == row) {
            Run_->Stop();
            ShowMessage(QStringLiteral("Prüfablauf beendet: Schritt %1 lässt sich nicht senden")
                            .arg(Run_->Number()));
            return;
        }
        const auto shown = Rows_.find(row);
        Run_->Sent(row, Clock(), shown != Rows_.end() ? SettleSeconds(shown->second.Alarm) : 0.0);
        for (const auto& [index, complete] : ShownWhileSending_)
            if (index == row)
                Run_->RowChanged(row, Rows_[row].Verdict.Kind, complete);
    };
    try {
        if (step.FixedCode) {
            Form_.SendFixedCode(step.Code);
        } else {
            ApplyStep(step);
            Form_.SpeedButton1Click();
        }
    } catch (...) {
        learnRow();
        throw;
    }
    learnRow();
}

double TPlanRunPanel::SettleSeconds(const TAlarmSent& alarm) const {
    const double onAir = HearingWindowSeconds(ExpectedOf(alarm), Form_.TestRecord->Limits());
    return alarm.Listening ? onAir + ListenedSettleSpareSeconds : onAir;
}

void TPlanRunPanel::Lock() {
    Saved_ = {Form_.SelectedEncoderType(),
              Form_.Edit1->text(),
              Form_.CheckBox1->isChecked(),
              Form_.ComboBox2->currentIndex(),
              {}};
    for (const TRadioGroup* group : {Form_.RadioGroup1, Form_.RadioGroup2, Form_.RadioGroup3,
                                     Form_.RadioGroup4, Form_.RadioGroup5})
        Saved_.Groups.push_back(group->ItemIndex());
    for (QWidget* control : Form_.RunOwnedControls())
        control->setEnabled(false);
    StartButton->setEnabled(false);
    PauseButton->setEnabled(true);
    StopButton->setEnabled(true);
}

void TPlanRunPanel::Unlock() {
    for (QWidget* control : Form_.RunOwnedControls())
        control->setEnabled(true);
    if (Form_.SelectedEncoderType() != Saved_.EncoderType) {
        Form_.ComboBox1->setCurrentIndex(Saved_.EncoderType);
        Form_.ComboBox1Change();
    }
    Form_.Edit1->setText(Saved_.Code);
    Form_.ComboBox2->setCurrentIndex(Saved_.FixedEntry);
    TRadioGroup* groups[] = {Form_.RadioGroup1, Form_.RadioGroup2, Form_.RadioGroup3,
                             Form_.RadioGroup4, Form_.RadioGroup5};
    for (std::size_t i = 0; i < std::size(groups); ++i)
        groups[i]->SetItemIndex(Saved_.Groups[i]);
    // The check box's handler gives the code field, the list and "Auslösen" their states back.
    Form_.CheckBox1->setChecked(Saved_.FreeEntry);
    Form_.CheckBox1Click();
    StartButton->setEnabled(true);
}

void TPlanRunPanel::ShowProgress() {
    PauseButton->setEnabled(Running());
    StopButton->setEnabled(Running());
    if (!Run_)
        return;
    const auto now = Clock();
    Progress->setRange(0, Run_->Total());
    Progress->setValue(Run_->Number() - 1);
    Progress->setFormat(FromUtf8(Run_->StepText()));
    QString times =
        FromUtf8(DurationText(Run_->ElapsedSeconds(now))) + QStringLiteral(" vergangen");
    if (const std::optional<double> remaining = Run_->RemainingSeconds(now))
        times += QStringLiteral(", noch ") + FromUtf8(DurationText(*remaining));
    Times->setText(times);
    QString state = FromUtf8(Run_->TallyText());
    if (Run_->WaitsForLink())
        state = QStringLiteral("Wartet auf den Geber (Verbindung unterbrochen)");
    else if (Run_->Paused())
        state = QStringLiteral("Angehalten") + (state.isEmpty() ? QString() : ": " + state);
    Tally->setText(state);
}

void TPlanRunPanel::Finish() {
    TickTimer->stop();
    ShowProgress();
    const TPlanRun run = std::move(*Run_);
    Run_.reset();
    Unlock();
    ShowProgress();
    Progress->setValue(Progress->maximum());
    const QString ended = run.State() == TPlanRun::TState::Stopped ? QStringLiteral("abgebrochen")
                                                                   : QStringLiteral("beendet");
    Tally->setText(QStringLiteral("Prüfablauf %1: %2").arg(ended, FromUtf8(run.TallyText())));
    std::vector<TReportRow> rows;
    for (const std::size_t index : run.Rows())
        if (const auto shown = Rows_.find(index); shown != Rows_.end())
            rows.push_back(ReportRowOf(shown->second));
    ShowReport(std::move(rows), FromUtf8(run.Plan().Name));
}
