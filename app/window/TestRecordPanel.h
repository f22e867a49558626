#pragma once
// The test record ("Prüfprotokoll"): the band below the option groups with the tone input, the
// sequence standard, the input level and the list of alarms sent, newest first; behind it the
// tone listener, the record book that fills the rows, and the day's file they go into.
//
// The form tells the panel what happens on the line: an alarm sent, a reply, the link lost; and
// closes it before the port goes, which completes and writes every open row. Rows go into the
// day's file in the order their alarms went out; rows that could not be written are kept, tried
// again and counted below the list, and whatever is still unsaved at the close goes to the
// user's state folder. The list shows the newest MaxListRows rows; the file keeps every one.
// Every alarm listened for is judged against the tone limits (the limits file, read once) and
// drawn as a picture strip of what was heard, saved beside the day's file; the picture of the
// row selected in the list shows below it, and a double click opens it at full size. The
// panel's own handlers are public so that tests can drive them (the timer handlers stand for one
// tick each); reached through a signal, a timer or the listener, each runs inside the standard
// error report's guard. GUI thread only.

#include "app/report/ReportRows.h"
#include "app/testrecord/RecordFileQueue.h"
#include "app/testrecord/TestSession.h"
#include "app/tonecheck/LimitsFile.h"

#include <QGroupBox>
#include <QString>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QMediaDevices;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TToneListener;

class TTestRecordPanel : public QGroupBox {
public:
    static constexpr int MaxListRows = 1000;
    // The height of the picture strip below the list, and how much the band needs beyond the
    // window's stored size: the strip, and three more rows in the list.
    static constexpr int PictureHeight = 124;
    static constexpr int AddedHeight = PictureHeight + 48;

    // The band at `bounds` of `client`; the controls come in the tab order after whatever the
    // caller chains before ToneInputSelector.
    TTestRecordPanel(QWidget* client, QRect bounds);

    QLabel* ToneInputLabel = nullptr;
    QComboBox* ToneInputSelector = nullptr; // "Aus" and the audio inputs
    QLabel* ToneStandardLabel = nullptr;
    QComboBox* ToneStandardSelector = nullptr; // the selective-call standards
    QLabel* LevelLabel = nullptr;
    QProgressBar* LevelMeter = nullptr;
    QPushButton* ReportButton = nullptr; // "Bericht …": the Prüfbericht of today's or marked rows
    QTreeWidget* RecordList = nullptr;   // one row per alarm sent, newest first
    QLabel* RecordNote = nullptr;        // rows not yet saved, rows only in the file
    QLabel* PictureView = nullptr;       // the selected row's picture
    QTimer* HearingTimer = nullptr;      // end of the next hearing window
    QTimer* LevelTimer = nullptr;        // level display
    QTimer* RetryTimer = nullptr;        // another try for rows not yet saved

    // What the form reports. An alarm's date, time and whether it is listened for are taken
    // here, as it is recorded.
    void AlarmSent(TAlarmSent alarm);
    void ReplyReceived(TReplyKind reply);
    void LinkLost();
    // Stops listening and completes every open row as it stands (the program ends). Rows that
    // neither the working folder nor the state folder takes are kept for AskForUnsavedRows.
    // Safe to call again.
    void Close();
    // After Close, while rows are still unsaved: asks the operator to save them elsewhere or to
    // try again; returns once none is left or the operator has confirmed losing them.
    void AskForUnsavedRows();
    std::size_t UnsavedAtClose() const { return UnsavedAtClose_.size(); }
    // Where AskForUnsavedRows lets the operator pick a file: the desktop's file dialog by default.
    std::function<QString(const QString& suggestion)> ChooseUnsavedRowsFile;

    bool Listening() const;
    std::size_t RowCount() const { return Session_.RowCount(); }
    const TToneLimits& Limits() const { return Limits_.Limits; }
    // Every row as the list shows it, and whether it is complete; for a test plan's run.
    std::function<void(std::size_t index, const TTestRecordRow& row, bool complete)> RowShown;
    // The report dialog with `rows` marked and `note` as its Bemerkung.
    void OpenReport(std::vector<TReportRow> rows, const QString& note);

    void ToneInputSelectorChange();
    void ToneStandardSelectorChange();
    void HearingTimerTimer();
    void LevelTimerTimer();
    void RetryTimerTimer();
    void ReportButtonClick();
    void RecordListSelectionChange();
    void RecordListDoubleClick();
    // What the report offers: today's rows, those in the day's file and then those still on
    // their way to it; and the rows marked in the list.
    TRecordRead RowsOfToday() const;
    std::vector<TReportRow> MarkedRows() const;
    void ToneListenerHeard(const std::vector<THeardSignal>& heard);
    void ToneListenerFailure(const QString& reason);

private:
    void CreateControls();
    void ConnectHandlers();
    void FillToneInputs();
    void ListenToChosenInput();
    void ShowLevelOff();
    void ApplyUpdate(const TTestSession::TUpdate& update);
    void ShowRecordRow(std::size_t index, const TTestRecordRow& row);
    // The list's item of row `index`; null once the row has left the list.
    QTreeWidgetItem* ListItem(std::size_t index) const;
    // The row an item of the list shows; null for none.
    const TTestRecordRow* ListedRow(const QTreeWidgetItem* item) const;
    void ShowWriteState(const std::optional<TRecordFileQueue::TFailure>& failure);
    void ShowRecordNote();
    void SavePicture(const TTestRecordRow& row);
    // The row's picture file, or that of its code alone.
    QString PicturePath(const QTreeWidgetItem* item, bool codeOnly = false) const;

    TLoadedLimits Limits_;
    TTestSession Session_;
    std::deque<TTestRecordRow> ListedRows_; // what the list shows, oldest first
    TToneListener* ToneListener_ = nullptr;
    QMediaDevices* MediaDevices_ = nullptr;
    std::size_t RowsOnlyInFile_ = 0; // older rows that left the list
    bool PictureFailureShown_ = false;
    std::vector<TTestRecordRow> UnsavedAtClose_;
};
