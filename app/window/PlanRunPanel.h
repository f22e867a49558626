#pragma once
// The "Prüfablauf" box: runs a test plan through the window as an operator would, one alarm
// after the other. For each alarm it sets the window's controls (type, code, option groups) and
// presses "Auslösen" (or sends the fixed-code entry as the pass does), so the telegram comes from
// the window's own path; TPlanRun decides when the next may go. While it runs, the controls it
// owns are locked; when it ends they get their values back, and the report dialog opens with the
// run's rows and the plan's name as its note.
//
// Plans: a plan file, "alle Alarmarten", "alle Vortöne", "Dauertest" (how often is asked) and the
// fixed code list. The form tells the box what the encoder answers and when the link is lost;
// the record band tells it each row it shows.
//
// GUI thread. Handlers reached through a signal or the timer run inside the error report's
// guard; tests call them directly.

#include "app/report/ReportModel.h"
#include "app/testplan/PlanRun.h"
#include "app/testrecord/TestRecordRow.h"

#include <QGroupBox>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class TMainForm;

class TPlanRunPanel : public QGroupBox {
public:
    TPlanRunPanel(TMainForm& form, QWidget* client, QRect bounds);

    QPushButton* StartButton = nullptr; // "Prüfablauf …": its menu names the plans
    QPushButton* PauseButton = nullptr; // "Anhalten" / "Fortsetzen"
    QPushButton* StopButton = nullptr;  // "Beenden"
    QProgressBar* Progress = nullptr;   // "Schritt 7 von 24"
    QLabel* Times = nullptr;            // "0:42 vergangen, noch 2:10"
    QLabel* Tally = nullptr;            // "6 stimmt, 1 weicht ab", or what the run waits for
    QTimer* TickTimer = nullptr;

    // Seams for tests: the clock, the plan file chosen, the Dauertest's count asked, the report
    // dialog shown at the end (rows of the run, the plan's name as the note).
    std::function<TPlanRun::TTime()> Clock = std::chrono::steady_clock::now;
    std::function<QString()> ChoosePlanFile;
    std::function<std::optional<int>()> AskCount;
    std::function<void(std::vector<TReportRow> rows, const QString& note)> ShowReport;

    void StartPlan(TTestPlan plan);
    void StartPlanFile(const QString& path);
    void StartAllAlarmTypes();
    void StartAllPreTones();
    void StartEndurance();
    void StartFixedCodes();
    void TickTimerTimer();
    void PauseButtonClick();
    void StopButtonClick();

    // What the form and the record band report.
    void ReplyReceived(TReplyKind reply);
    void LinkLost();
    void RowShown(std::size_t index, const TTestRecordRow& row, bool complete);

    bool Running() const { return Run_.has_value(); }

private:
    struct TSavedControls {
        int EncoderType = -1;
        QString Code;
        bool FreeEntry = true;
        int FixedEntry = -1;
        std::vector<int> Groups;
    };

    // Whether the window holds a whole alarm to build a plan on; says what is missing if not.
    bool AlarmIsComplete() const;
    // The alarm the window is set to now, as a plan step.
    TPlanStep CurrentStep() const;
    void ApplyStep(const TPlanStep& step);
    void SendStep(const TPlanStep& step);
    double SettleSeconds(const TAlarmSent& alarm) const;
    void Lock();
    void Unlock();
    void ShowProgress();
    void Finish();

    TMainForm& Form_;
    std::optional<TPlanRun> Run_;
    TSavedControls Saved_;
    // The run's rows as last shown, for the report; rows reported while an alarm goes out wait
    // until the run knows that alarm's row.
    std::map<std::size_t, TTestRecordRow> Rows_;
    bool Sending_ = false;
    std::vector<std::pair<std::size_t, bool>> ShownWhileSending_;
};
