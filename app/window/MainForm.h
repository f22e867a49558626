#pragma once
// The main window: every control of the encoder test tool and the whole application logic.
//
// TMainForm owns the serial port component SioComPort1, the three timers and the three state
// variables. Its handlers are public so that tests can drive them (the timer handlers stand for
// one tick each); a handler called directly may throw, while every handler reached through a
// signal, a timer, the component's event or the window's creation runs inside the standard
// error report's guard, so no exception crosses a Qt frame. GUI thread only.
//
// The handlers live in three source files of this one class: the window and its rules
// (MainForm.cpp), link supervision (MainFormSupervision.cpp) and the fixed code list
// (MainFormFixedCodes.cpp); the controls are built in MainFormLayout.cpp. The test record is a
// panel of its own (TTestRecordPanel) that the form tells what goes out and comes back.

#include "app/supervision/ReplyDecoding.h"
#include "app/testrecord/TestRecordRow.h"
#include "app/window/CodeField.h"
#include "app/window/GuardedConnect.h"
#include "framework/ErrorReport.h"
#include "serial/component/SioComPort.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;
class TComboBox;
class TPanel;
class TPlanRunPanel;
class TRadioGroup;
class TTestRecordPanel;

class TMainForm : public QMainWindow {
public:
    // Builds the controls as stored, sets up SioComPort1 and runs FormCreate.
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    QStatusBar* StatusLine = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    TCodeField* Edit1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    std::unique_ptr<TSioComPort> SioComPort1;
    TRadioGroup* RadioGroup1 = nullptr;
    TRadioGroup* RadioGroup2 = nullptr;
    QLabel* Label3 = nullptr;
    TPanel* Panel2 = nullptr;
    QTimer* Timer1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QTimer* Timer2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    TRadioGroup* RadioGroup3 = nullptr;
    TRadioGroup* RadioGroup4 = nullptr;
    TRadioGroup* RadioGroup5 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    TPanel* Panel1 = nullptr;
    TComboBox* ComboBox3 = nullptr;
    QLabel* Label6 = nullptr;
    TPanel* Panel3 = nullptr;
    QTimer* Timer3 = nullptr;
    TPanel* Panel4 = nullptr;
    TPanel* Panel5 = nullptr;
    // The test record ("Prüfprotokoll") below the option groups.
    TTestRecordPanel* TestRecord = nullptr;
    // The "Prüfablauf" box: runs a test plan through the controls above.
    TPlanRunPanel* PlanRun = nullptr;

    void FormCreate();
    void ShowHint(const QString& hint);
    // Sets key to 0 when the character is not to reach the code field.
    void Edit1KeyPress(char32_t& key);
    void Edit1Change();
    void Timer1Timer();
    void Timer2Timer();
    void CheckBox1Click();
    void SioComPort1TriggerAvail(TSioCustomComPort& CP, std::uint16_t Count);
    void SpeedButton1Click();
    void ComboBox1Change();
    void ComboBox3Change();
    void Timer3Timer();
    // The port selector: picking an entry from its list, confirming its text (Enter or leaving
    // it), and its list opening, which probes the ports afresh.
    void ComboBox3Select();
    void ComboBox3EditingFinished();
    void ComboBox3DropDown();

    // The send gate of the fixed codes: set by an ACK, cleared by a NAK.
    bool LastReplyWasAck = false;
    // Watchdog ticks left before the link counts as lost.
    int LinkWatchdog = 0;
    // Fixed codes sent since the last press of "Auslösen".
    int FixedSendCount = 0;
    // The step of a test plan's run the next alarm belongs to; 0 outside a run.
    int PlanStep = 0;

    // The encoder type the selector stands on; -1 while its text selects no item.
    int SelectedEncoderType() const;
    // The trigger-button rule: armed and red at the code field's full length.
    void UpdateTriggerButton();
    // Sends one entry of the fixed code list as the pass does; one too long to go out ends the
    // pass with a message and sends nothing (false).
    bool SendFixedCode(const std::string& entry);
    // The controls a test plan's run sets itself and locks while it runs.
    std::vector<QWidget*> RunOwnedControls() const;

protected:
    // The test record is closed with the window, so that an operator can still decide what
    // becomes of rows that could not be saved.
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    // Connects a signal to a handler that runs inside the error report's guard; the
    // destructor drops these connections before the controls go.
    template <typename Sender, typename Signal>
    void ConnectGuarded(const Sender* sender, Signal signal, void (TMainForm::*handler)()) {
        HandlerConnections_.push_back(::ConnectGuarded(sender, signal, this, handler));
    }
    void SetUpSioComPort1();
    void CentreOnScreen();
    void OpenFirstPort();
    void LoadFixedCodeList();
    void ShowReply(TReplyKind reply);
    void SetTriggerButton(bool enabled);
    bool FilterCodeKey(QEvent* event);
    // Switches to the port the selector's text names; a text naming no available port is
    // refused with one message, and the port in use stays.
    void ConfirmPortEntry(bool retryUnchanged);
    bool NamesAvailablePort(const QString& entry) const;
    QString PortEntryInUse() const;
    void ShowPortInUse();
    bool OpenPortQuietly();
    bool EncoderReachable() const;
    void StopFixedPass();
    void EndPassWithUnsendableCode(std::size_t telegramSize);
    void CreateTestRecordPanel(QWidget* client);
    // Writes the telegram and records the alarm; one that does not reach the encoder is recorded
    // as not sent, and the operator is told.
    void SendAlarm(const std::string& telegram, TAlarmSent alarm);
    // The alarm that goes out, in the window's words, for the record.
    TAlarmSent TypedAlarm(const std::string& telegram) const;
    TAlarmSent FixedAlarm(const std::string& entry, const std::string& telegram) const;

    std::vector<QMetaObject::Connection> HandlerConnections_;
    bool PortSwitchRunning_ = false;
    // The full output ring has been reported and no poll has gone out since.
    bool OutputFullReported_ = false;
};
