// A test plan's run through the window, tick by tick on a clock the test moves: each alarm goes
// out through the window's own path, the next only after the encoder's ACK and the time the
// alarm is on the air; the run locks the controls it sets and gives them back with the report.

#include "MainFormFixture.h"
#include "app/window/CodeField.h"
#include "app/window/Controls.h"
#include "app/window/PlanRunPanel.h"
#include "app/window/TestRecordPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const std::string Standard12345 = "\x02@12345I\x03"; // Standart neu, no call tone, Weckruf

struct TPlanCase {
    const char* Name;
    void (TPlanRunPanel::*Start)();
    std::vector<std::string> Telegrams;
    const char* Note;
    const char* Tally; // nullptr: the operator stops the run after these alarms
};

const TPlanCase PlanCases[] = {
    {"Dauertest",
     &TPlanRunPanel::StartEndurance,
     {Standard12345, Standard12345, Standard12345},
     "Dauertest",
     "3 nicht beurteilt"},
    {"fixed codes",
     &TPlanRunPanel::StartFixedCodes,
     {"\x02"
      "1234A\x03",
      "\x02"
      "56789\x03"},
     "Feste Kodierungen",
     "2 kein Code"},
    {"alle Alarmarten, beyond the first two",
     &TPlanRunPanel::StartAllAlarmTypes,
     {"\x02@12345F\x03", "\x02@12345P\x03"},
     "alle Alarmarten",
     nullptr},
};

class MainFormPlanRunTest : public TMainFormTest {
protected:
    void SetUp() override {
        Line = &AddPort(1);
        WriteCodeList("1234A\r\n56789\r\n");
        CreateForm();
        StopTimers();
        Form->SioComPort1->SetOnTriggerAvail([this](TSioCustomComPort& CP, std::uint16_t Count) {
            Form->SioComPort1TriggerAvail(CP, Count);
            Handled += Count;
        });
        Form->Edit1->setText("12345");
        TPlanRunPanel& run = *Form->PlanRun;
        run.Clock = [this] { return Now; };
        run.AskCount = [] { return std::optional(3); };
        run.ShowReport = [this](std::vector<TReportRow> rows, const QString& note) {
            ReportedRows = rows.size();
            ReportNote = note;
        };
        const auto shown = Form->TestRecord->RowShown;
        Form->TestRecord->RowShown = [this, shown](std::size_t index, const TTestRecordRow& row,
                                                   bool complete) {
            Steps[index] = row.Alarm.Step;
            shown(index, row, complete);
        };
        Line->Drain();
    }

    // The form goes first: closing it shows its last rows to the hooks above.
    void TearDown() override { Form.reset(); }

    // One tick of the run; the polls' timer, which a sent alarm starts again, stays with the test.
    void Tick() {
        Form->PlanRun->TickTimerTimer();
        Form->Timer1->stop();
    }

    void Reply(const std::string& bytes) {
        const std::size_t target = Handled + bytes.size();
        ASSERT_TRUE(Line->Write(bytes));
        ASSERT_TRUE(WaitUntil([&] { return Handled >= target; }));
    }

    TVirtualComPort* Line = nullptr;
    std::size_t Handled = 0;
    std::chrono::steady_clock::time_point Now{};
    std::size_t ReportedRows = 0;
    QString ReportNote;
    std::map<std::size_t, int> Steps;
};

TEST_F(MainFormPlanRunTest, EachAlarmAfterTheAckAndItsTimeOnTheAir) {
    for (const TPlanCase& c : PlanCases) {
        SCOPED_TRACE(c.Name);
        TPlanRunPanel& run = *Form->PlanRun;
        const std::size_t first = Form->TestRecord->RowCount();
        (run.*c.Start)();
        ASSERT_TRUE(run.Running());
        for (std::size_t i = 0; i < c.Telegrams.size(); ++i) {
            Tick();
            EXPECT_EQ(Line->Read(c.Telegrams[i].size(), 5s), c.Telegrams[i]) << "alarm " << i;
            EXPECT_FALSE(Form->Edit1->isEnabled());
            EXPECT_FALSE(Form->SpeedButton1->isEnabled());
            EXPECT_FALSE(Form->ComboBox3->isEnabled());
            Tick();
            EXPECT_EQ(Line->ReadAvailable(50ms), "") << "nothing before the ACK";
            Reply("\x06");
            Now += 1s;
            Tick();
            EXPECT_EQ(Line->ReadAvailable(50ms), "") << "nothing while it is on the air";
            Now += 60s;
        }
        if (c.Tally == nullptr) { // the rest of a long plan is stopped by the operator
            run.StopButtonClick();
        } else {
            Tick();
            EXPECT_EQ(run.Tally->text(), QString("Prüfablauf beendet: ") + c.Tally);
        }
        EXPECT_FALSE(run.Running());
        EXPECT_EQ(ReportedRows, c.Telegrams.size());
        EXPECT_EQ(ReportNote, c.Note);
        EXPECT_TRUE(Form->Edit1->isEnabled());
        EXPECT_EQ(Form->Edit1->text(), "12345") << "the code as it was";
        EXPECT_TRUE(Form->CheckBox1->isChecked());
        EXPECT_EQ(Form->RadioGroup2->ItemIndex(), 6) << "the alarm type as it was";
        EXPECT_TRUE(Form->SpeedButton1->isEnabled());
        for (std::size_t i = 0; i < c.Telegrams.size(); ++i)
            EXPECT_EQ(Steps[first + i], static_cast<int>(i) + 1) << "the record's step " << i;
    }
}

// Unplugged between two alarms, the run waits and says so; back and answering, the alarm that did
// not go out goes now with its step, and none goes twice.
TEST_F(MainFormPlanRunTest, AnUnpluggedEncoderPausesTheRunUntilItAnswersAgain) {
    const std::size_t first = Form->TestRecord->RowCount();
    TPlanRunPanel& run = *Form->PlanRun;
    run.StartEndurance();
    Tick();
    EXPECT_EQ(Line->Read(Standard12345.size(), 5s), Standard12345);
    Reply("\x06");
    Now += 60s;
    Line->Unplug();
    ASSERT_TRUE(WaitUntil([this] { return !Form->SioComPort1->DeviceAttached(); }));
    Tick();
    EXPECT_EQ(run.Tally->text(), "Wartet auf den Geber (Verbindung unterbrochen)");
    Line->Replug();
    ASSERT_TRUE(WaitUntil([this] { return Form->SioComPort1->DeviceAttached(); }));
    Tick();
    EXPECT_EQ(Line->ReadAvailable(50ms), "") << "not before the encoder answers";
    for (int alarm = 2; alarm <= 3; ++alarm) {
        Reply("\x06");
        Tick();
        EXPECT_EQ(Line->Read(Standard12345.size(), 5s), Standard12345) << "alarm " << alarm;
        Reply("\x06");
        Now += 60s;
    }
    Tick();
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(ReportedRows, 4u) << "the alarm not sent, and the same alarm sent";
    const std::vector<int> steps{1, 2, 2, 3};
    for (std::size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(Steps[first + i], steps[i]) << "row " << i;
    EXPECT_EQ(Modals.Messages,
              std::vector<QString>{"Geber nicht verbunden – Alarm nicht gesendet"});
}

TEST_F(MainFormPlanRunTest, APlanFileWithABadLineDoesNotStart) {
    Folder.WriteFile("plan.txt", "Standart neu; 12345; Ohne Tonruf; Feueralarm\nStandart neu; 1\n");
    Form->PlanRun->StartPlanFile("plan.txt");
    EXPECT_FALSE(Form->PlanRun->Running());
    ASSERT_EQ(Modals.Messages.size(), 1u);
    EXPECT_TRUE(Modals.Messages[0].startsWith("plan.txt:2: field "))
        << Modals.Messages[0].toStdString();
}

} // namespace
