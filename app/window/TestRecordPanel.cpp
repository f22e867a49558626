#include "app/window/TestRecordPanel.h"

#include "app/testrecord/RecordFile.h"
#include "app/testrecord/RecordPicture.h"
#include "app/toneinput/HeardPictures.h"
#include "app/toneinput/ToneListener.h"
#include "app/tonepicture/AlarmPicture.h"
#include "app/tonepicture/PictureFile.h"
#include "app/window/AlarmDetailWindow.h"
#include "app/window/Controls.h"
#include "app/window/GuardedConnect.h"
#include "app/window/ProgramSettings.h"
#include "app/window/ReportDialog.h"
#include "app/window/UnsavedRowsDialog.h"
#include "runtime/RegularFile.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMediaDevices>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace {

const QString ToneInputKey = QStringLiteral("Pruefprotokoll/Toneingang");
const QString ToneStandardKey = QStringLiteral("Pruefprotokoll/Tonfolge");

std::optional<QAudioDevice> AudioInput(const QByteArray& id) {
    for (const QAudioDevice& device : QMediaDevices::audioInputs())
        if (device.id() == id)
            return device;
    return std::nullopt;
}

QLabel* MakeLabel(QWidget* parent, const char* caption, QRect bounds) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setGeometry(bounds);
    label->resize(label->size().expandedTo(label->sizeHint()));
    return label;
}

QComboBox* MakeSelector(QWidget* parent, QRect bounds) {
    auto* box = new QComboBox(parent);
    box->setGeometry(bounds);
    IgnoreWheelUnlessFocused(box);
    return box;
}

// Widths that fit the usual contents at the window's font and leave the verdict in sight; the
// last column takes the rest, and tool tips show whatever is cut off.
constexpr int ColumnWidths[] = {58, 78, 70, 100, 108, 146, 108, 80, 150, 220, 260};
static_assert(std::size(ColumnWidths) == rcColumnCount - 1,
              "a width for every column but the last");
constexpr int NoteHeight = 16;
// The verdict's colours: "stimmt" green, "weicht ab" red, the rest grey.
const QColor Held(0, 128, 0);
const QColor Missed(192, 0, 0);
const QColor Neutral(110, 110, 110);

QColor VerdictColour(TVerdictKind kind) {
    switch (kind) {
    case TVerdictKind::Matches:
        return Held;
    case TVerdictKind::Differs:
        return Missed;
    default:
        return Neutral;
    }
}

TLoadedLimits LoadLimits() {
    return LoadToneLimits(
        LimitsFileCandidates(QCoreApplication::applicationDirPath().toStdString()));
}

} // namespace

TTestRecordPanel::TTestRecordPanel(QWidget* client, QRect bounds)
    : QGroupBox(QStringLiteral("Prüfprotokoll"), client), Limits_(LoadLimits()),
      Session_(Limits_.Limits, AppendRecordLine,
               [this](const TTestRecordRow& row) { SavePicture(row); }) {
    setFlat(true);
    setGeometry(bounds);
    CreateControls();
    ToneListener_ = new TToneListener(this);
    MediaDevices_ = new QMediaDevices(this);
    for (const TToneStandard standard : AllToneStandards)
        ToneStandardSelector->addItem(QString::fromLatin1(DisplayName(standard)));
    const auto remembered =
        ParseToneStandard(ProgramSettings().value(ToneStandardKey).toString().toStdString());
    ToneStandardSelector->setCurrentIndex(
        static_cast<int>(remembered.value_or(DefaultToneStandard)));
    FillToneInputs();
    ShowLevelOff();
    ConnectHandlers();
    RunReportingErrors([this] { ListenToChosenInput(); });
    if (!Limits_.Messages.empty()) {
        // Told once, after the window is up; the defaults stand for what could not be read.
        // Every message goes to standard error, the box shows only the first few.
        for (const std::string& line : Limits_.Messages)
            std::fprintf(stderr, "%s: %s\n", ApplicationTitle().c_str(), line.c_str());
        const std::string message = LimitsMessageBoxText(Limits_.Messages);
        QTimer::singleShot(0, this, [message] { ShowErrorReport(message); });
    }
}

void TTestRecordPanel::CreateControls() {
    ToneInputLabel = MakeLabel(this, "Toneingang", {0, 19, 60, 13});
    ToneInputSelector = MakeSelector(this, {64, 15, 260, 21});
    ToneStandardLabel = MakeLabel(this, "Tonfolge", {340, 19, 44, 13});
    ToneStandardSelector = MakeSelector(this, {390, 15, 80, 21});
    LevelLabel = MakeLabel(this, "Pegel", {486, 19, 30, 13});

    LevelMeter = new QProgressBar(this);
    LevelMeter->setGeometry(522, 16, 200, 19);
    // Whole dBFS from the quietest level worth showing up to full scale.
    LevelMeter->setRange(-60, 0);
    LevelMeter->setValue(-60);
    LevelMeter->setTextVisible(true);

    ReportButton = new QPushButton(QStringLiteral("Bericht …"), this);
    ReportButton->setGeometry(738, 14, 90, 23);

    RecordList = new QTreeWidget(this);
    RecordList->setGeometry(0, 39, width(), height() - 39 - NoteHeight - PictureHeight);
    RecordList->setRootIsDecorated(false);
    RecordList->setUniformRowHeights(true);
    RecordList->setAllColumnsShowFocus(true);
    RecordList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QStringList titles;
    for (const std::string& title : RecordColumnTitles())
        titles << QString::fromStdString(title);
    RecordList->setHeaderLabels(titles);
    for (int column = 0; column < rcColumnCount - 1; ++column)
        RecordList->setColumnWidth(column, ColumnWidths[column]);

    RecordNote = new QLabel(this);
    RecordNote->setGeometry(0, RecordList->geometry().bottom() + 1, width(), NoteHeight);
    PictureView = new QLabel(this);
    PictureView->setGeometry(0, height() - PictureHeight, width(), PictureHeight);
    PictureView->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    RecordNote->setStyleSheet(QStringLiteral("color: #c00000"));

    HearingTimer = new QTimer(this);
    HearingTimer->setSingleShot(true);
    LevelTimer = new QTimer(this);
    LevelTimer->setInterval(100);
    RetryTimer = new QTimer(this);
    RetryTimer->setInterval(5000);

    const std::pair<QObject*, const char*> names[] = {
        {this, "TestRecordPanel"},
        {ToneInputLabel, "ToneInputLabel"},
        {ToneInputSelector, "ToneInputSelector"},
        {ToneStandardLabel, "ToneStandardLabel"},
        {ToneStandardSelector, "ToneStandardSelector"},
        {LevelLabel, "LevelLabel"},
        {LevelMeter, "LevelMeter"},
        {ReportButton, "ReportButton"},
        {RecordList, "RecordList"},
        {RecordNote, "RecordNote"},
        {PictureView, "PictureView"},
        {HearingTimer, "HearingTimer"},
        {LevelTimer, "LevelTimer"},
        {RetryTimer, "RetryTimer"}};
    for (const auto& [control, name] : names)
        control->setObjectName(QString::fromLatin1(name));

    QWidget::setTabOrder(ToneInputSelector, ToneStandardSelector);
    QWidget::setTabOrder(ToneStandardSelector, RecordList);
    QWidget::setTabOrder(RecordList, ReportButton);
}

void TTestRecordPanel::ConnectHandlers() {
    ToneListener_->SetOnHeard([this](const std::vector<THeardSignal>& heard) {
        RunReportingErrors([&] { ToneListenerHeard(heard); });
    });
    ToneListener_->SetOnFailure([this](const QString& reason) {
        RunReportingErrors([&] { ToneListenerFailure(reason); });
    });
    ConnectGuarded(ToneInputSelector, &QComboBox::activated, this,
                   &TTestRecordPanel::ToneInputSelectorChange);
    ConnectGuarded(ToneStandardSelector, &QComboBox::activated, this,
                   &TTestRecordPanel::ToneStandardSelectorChange);
    ConnectGuarded(HearingTimer, &QTimer::timeout, this, &TTestRecordPanel::HearingTimerTimer);
    ConnectGuarded(LevelTimer, &QTimer::timeout, this, &TTestRecordPanel::LevelTimerTimer);
    ConnectGuarded(RetryTimer, &QTimer::timeout, this, &TTestRecordPanel::RetryTimerTimer);
    ConnectGuarded(ReportButton, &QPushButton::clicked, this, &TTestRecordPanel::ReportButtonClick);
    ConnectGuarded(RecordList, &QTreeWidget::itemSelectionChanged, this,
                   &TTestRecordPanel::RecordListSelectionChange);
    ConnectGuarded(RecordList, &QTreeWidget::itemDoubleClicked, this,
                   &TTestRecordPanel::RecordListDoubleClick);
    ConnectGuarded(MediaDevices_, &QMediaDevices::audioInputsChanged, this,
                   &TTestRecordPanel::FillToneInputs);
}

bool TTestRecordPanel::Listening() const {
    return ToneListener_->Listening();
}

void TTestRecordPanel::FillToneInputs() {
    const QByteArray chosen = ToneInputSelector->count() > 0
                                  ? ToneInputSelector->currentData().toByteArray()
                                  : ProgramSettings().value(ToneInputKey).toByteArray();
    {
        const QSignalBlocker blocker(ToneInputSelector);
        ToneInputSelector->clear();
        ToneInputSelector->addItem(QStringLiteral("Aus"), QByteArray());
        for (const QAudioDevice& device : QMediaDevices::audioInputs())
            ToneInputSelector->addItem(device.description(), device.id());
        ToneInputSelector->setCurrentIndex(std::max(0, ToneInputSelector->findData(chosen)));
    }
    // The input listened to has gone: the choice falls back to "Aus", the setting stays.
    if (ToneListener_->Listening() &&
        ToneInputSelector->currentData().toByteArray() != ToneListener_->DeviceId())
        ListenToChosenInput();
}

void TTestRecordPanel::ToneInputSelectorChange() {
    ProgramSettings().setValue(ToneInputKey, ToneInputSelector->currentData().toByteArray());
    ListenToChosenInput();
}

void TTestRecordPanel::ToneStandardSelectorChange() {
    const auto standard =
        AllToneStandards.at(static_cast<std::size_t>(ToneStandardSelector->currentIndex()));
    ProgramSettings().setValue(ToneStandardKey, QString::fromLatin1(OptionName(standard)));
    if (ToneListener_->Listening())
        ListenToChosenInput();
}

void TTestRecordPanel::ListenToChosenInput() {
    const std::optional<QAudioDevice> device =
        AudioInput(ToneInputSelector->currentData().toByteArray());
    if (!device) {
        ToneListener_->Stop();
        ToneInputSelector->setCurrentIndex(0);
        LevelTimer->stop();
        ShowLevelOff();
        ApplyUpdate(Session_.StopListening());
        return;
    }
    try {
        ToneListener_->Start(*device, AllToneStandards.at(static_cast<std::size_t>(
                                          ToneStandardSelector->currentIndex())));
    } catch (...) {
        ToneInputSelector->setCurrentIndex(0);
        ListenToChosenInput();
        throw;
    }
    LevelTimer->start();
}

void TTestRecordPanel::ShowLevelOff() {
    LevelMeter->setValue(LevelMeter->minimum());
    LevelMeter->setFormat(QStringLiteral("Aus"));
}

void TTestRecordPanel::LevelTimerTimer() {
    const double level = ToneListener_->LevelDbfs();
    LevelMeter->setValue(std::clamp(static_cast<int>(std::lround(level)), LevelMeter->minimum(),
                                    LevelMeter->maximum()));
    LevelMeter->setFormat(level <= SilenceLevelDbfs ? QStringLiteral("Stille")
                                                    : QStringLiteral("%v dBFS"));
}

void TTestRecordPanel::ToneListenerHeard(const std::vector<THeardSignal>& heard) {
    for (const THeardSignal& signal : heard)
        ApplyUpdate(Session_.Heard(signal));
}

void TTestRecordPanel::ToneListenerFailure(const QString& reason) {
    ToneInputSelector->setCurrentIndex(0);
    ListenToChosenInput();
    throw std::runtime_error("Toneingang " + reason.toStdString());
}

void TTestRecordPanel::HearingTimerTimer() {
    ApplyUpdate(Session_.Expire(TTestSession::TTime::clock::now()));
}

void TTestRecordPanel::AlarmSent(TAlarmSent alarm) {
    const QDateTime now = QDateTime::currentDateTime();
    alarm.Date = now.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    alarm.Time = now.toString(QStringLiteral("HH:mm:ss")).toStdString();
    alarm.Listening = ToneListener_->Listening();
    alarm.Standard =
        AllToneStandards.at(static_cast<std::size_t>(ToneStandardSelector->currentIndex()));
    alarm.HeardFrom = ToneListener_->ListenedSeconds();
    ApplyUpdate(Session_.AlarmSent(std::move(alarm), TTestSession::TTime::clock::now()));
}

void TTestRecordPanel::ReplyReceived(TReplyKind reply) {
    if (const std::string_view text = RecordedReply(reply); !text.empty())
        ApplyUpdate(Session_.Reply(text));
}

void TTestRecordPanel::LinkLost() {
    ApplyUpdate(Session_.Reply(LinkLostReply));
}

void TTestRecordPanel::ApplyUpdate(const TTestSession::TUpdate& update) {
    for (const std::size_t index : update.Changed) {
        ShowRecordRow(index, Session_.Row(index));
        if (RowShown)
            RowShown(index, Session_.Row(index), false);
    }
    bool selectedCompleted = false;
    for (std::size_t i = 0; i < update.Completed.size(); ++i) {
        const std::size_t index = update.Completed[i];
        ShowRecordRow(index, update.Finished[i]);
        if (RowShown)
            RowShown(index, update.Finished[i], true);
        selectedCompleted = selectedCompleted || RecordList->currentItem() == ListItem(index);
    }
    if (!update.Completed.empty())
        ShowWriteState(update.WriteFailure);
    if (selectedCompleted)
        RecordListSelectionChange(); // its picture is there now
    if (update.NextDeadline) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            *update.NextDeadline - TTestSession::TTime::clock::now());
        HearingTimer->start(static_cast<int>(std::max<std::int64_t>(0, left.count())));
    } else
        HearingTimer->stop();
}

void TTestRecordPanel::ShowRecordRow(std::size_t index, const TTestRecordRow& row) {
    // A new row goes on top; the oldest item leaves a full list.
    const std::size_t newest = Session_.RowCount() - 1;
    if (index == newest &&
        static_cast<std::size_t>(RecordList->topLevelItemCount()) + RowsOnlyInFile_ == newest) {
        RecordList->insertTopLevelItem(0, new QTreeWidgetItem());
        ListedRows_.emplace_back();
        if (RecordList->topLevelItemCount() > MaxListRows) {
            delete RecordList->takeTopLevelItem(MaxListRows);
            ListedRows_.pop_front();
            ++RowsOnlyInFile_;
            ShowRecordNote();
        }
    }
    QTreeWidgetItem* item = ListItem(index);
    if (item == nullptr)
        return;
    ListedRows_[index - RowsOnlyInFile_] = row;
    const TRecordFields fields = RecordFields(row);
    for (int column = 0; column < rcColumnCount; ++column) {
        const QString text = QString::fromStdString(fields[static_cast<std::size_t>(column)]);
        item->setText(column, text);
        item->setToolTip(column, text);
    }
    // The verdict word reads at a glance; the misses are in its tool tip and the sheet.
    item->setForeground(rcVerdict, VerdictColour(row.Verdict.Kind));
    if (row.Judgement && row.Judgement->Receivers.Judged)
        item->setForeground(rcReceivers, row.Judgement->Receivers.Reacts ? Held : Missed);
}

QTreeWidgetItem* TTestRecordPanel::ListItem(std::size_t index) const {
    // The newest row stands on top: row i is item newest-i while the list still holds it.
    const std::size_t newest = Session_.RowCount() - 1;
    return RecordList->topLevelItem(static_cast<int>(newest - index));
}

const TTestRecordRow* TTestRecordPanel::ListedRow(const QTreeWidgetItem* item) const {
    const int position =
        item ? RecordList->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)) : -1;
    if (position < 0)
        return nullptr;
    return &ListedRows_[ListedRows_.size() - 1 - static_cast<std::size_t>(position)];
}

void TTestRecordPanel::ShowWriteState(const std::optional<TRecordFileQueue::TFailure>& failure) {
    if (failure) {
        // Told once per failure episode, outside the handler that is recording; the rows are
        // kept and the program goes on.
        const std::string message = "Prüfprotokoll \"" + failure->File +
                                    "\" kann nicht geschrieben werden: " + failure->Reason +
                                    ". Die Zeilen werden aufbewahrt und erneut geschrieben";
        QTimer::singleShot(0, this, [message] { ShowErrorReport(message); });
    }
    if (Session_.Unsaved() > 0)
        RetryTimer->start();
    else
        RetryTimer->stop();
    ShowRecordNote();
}

void TTestRecordPanel::RetryTimerTimer() {
    ShowWriteState(Session_.WriteAgain().WriteFailure);
}

void TTestRecordPanel::ShowRecordNote() {
    QStringList notes;
    if (const std::size_t unsaved = Session_.Unsaved() + UnsavedAtClose_.size(); unsaved > 0)
        notes << (unsaved == 1 ? QStringLiteral("1 Zeile nicht gespeichert")
                               : QStringLiteral("%1 Zeilen nicht gespeichert").arg(unsaved));
    if (RowsOnlyInFile_ > 0)
        notes << QStringLiteral("%1 ältere Zeilen nur in der Datei").arg(RowsOnlyInFile_);
    RecordNote->setText(notes.join(QStringLiteral(" · ")));
}

void TTestRecordPanel::ReportButtonClick() {
    TReportDialog dialog(this, QDir::currentPath(), RowsOfToday(), MarkedRows());
    dialog.exec();
}

void TTestRecordPanel::OpenReport(std::vector<TReportRow> rows, const QString& note) {
    const std::size_t count = rows.size();
    TReportDialog dialog(this, QDir::currentPath(), RowsOfToday(), std::move(rows));
    dialog.Selected->setText(QStringLiteral("Zeilen des Prüfablaufs (%1)").arg(count));
    dialog.Selected->setChecked(true);
    dialog.Bemerkung->setPlainText(note);
    dialog.exec();
}

TRecordRead TTestRecordPanel::RowsOfToday() const {
    const std::string today = QDate::currentDate().toString(Qt::ISODate).toStdString();
    // The window's thread: a FIFO or device of that name must not hold it.
    TRecordRead read = ReadRecordRows(ReadRegularFile(RecordFileName(today)).Text);
    std::vector<TTestRecordRow> coming = Session_.Held();
    for (const std::size_t index : Session_.OpenRows())
        coming.push_back(Session_.Row(index));
    for (const TTestRecordRow& row : coming)
        if (row.Alarm.Date == today)
            read.Rows.push_back(ReportRowOf(row));
    return read;
}

std::vector<TReportRow> TTestRecordPanel::MarkedRows() const {
    std::vector<TReportRow> rows;
    for (const QTreeWidgetItem* item : RecordList->selectedItems())
        if (const TTestRecordRow* row = ListedRow(item))
            rows.push_back(ReportRowOf(*row));
    return rows;
}

void TTestRecordPanel::SavePicture(const TTestRecordRow& row) {
    // The view below the list is too low for both panels: it shows the code, drawn for its size.
    const std::optional<std::string> failure =
        SaveHeardPictures(row, *ToneListener_, PictureView->size());
    if (!failure) {
        PictureFailureShown_ = false;
        return;
    }
    if (std::exchange(PictureFailureShown_, true))
        return;
    // Told once per episode; the record goes on without pictures.
    const std::string message = "Bilder des Prüfprotokolls können nicht in \"" +
                                RecordPictureFolder(row.Alarm.Date) + "/\" gespeichert werden (" +
                                *failure + ")";
    QTimer::singleShot(0, this, [message] { ShowErrorReport(message); });
}

QString TTestRecordPanel::PicturePath(const QTreeWidgetItem* item, bool codeOnly) const {
    const TTestRecordRow* row = ListedRow(item);
    if (row == nullptr)
        return {};
    const TAlarmSent& alarm = row->Alarm;
    return QString::fromStdString(RecordPictureFolder(alarm.Date) + "/" +
                                  (codeOnly ? RecordCodePictureFileName(alarm.Time, alarm.Code)
                                            : RecordPictureFileName(alarm.Time, alarm.Code)));
}

void TTestRecordPanel::RecordListSelectionChange() {
    const QTreeWidgetItem* item = RecordList->currentItem();
    // The code drawn for this view; else (no code heard) the whole picture made to fit.
    QPixmap picture(PicturePath(item, true));
    if (picture.isNull())
        picture = QPixmap(PicturePath(item));
    if (picture.isNull()) {
        PictureView->setPixmap({});
        return;
    }
    PictureView->setPixmap(
        picture.size() == PictureView->size()
            ? picture
            : picture.scaled(PictureView->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TTestRecordPanel::RecordListDoubleClick() {
    const QTreeWidgetItem* item = RecordList->currentItem();
    if (const TTestRecordRow* row = ListedRow(item))
        ShowAlarmDetail(this, *row, QPixmap(PicturePath(item)));
}

void TTestRecordPanel::Close() {
    HearingTimer->stop();
    LevelTimer->stop();
    // The rows still open get their pictures from what the input heard so far.
    ApplyUpdate(Session_.CompleteAll());
    ToneListener_->Stop();
    // A last try; what is still unsaved then must not go with the program.
    ShowWriteState(Session_.WriteAgain().WriteFailure);
    if (Session_.Unsaved() > 0) {
        std::vector<TTestRecordRow> rows =
            SaveWhereverPossible(Session_.TakeHeld(), ApplicationTitle());
        UnsavedAtClose_.insert(UnsavedAtClose_.end(), std::make_move_iterator(rows.begin()),
                               std::make_move_iterator(rows.end()));
        ShowRecordNote();
    }
    HearingTimer->stop();
    RetryTimer->stop();
}

void TTestRecordPanel::AskForUnsavedRows() {
    TUnsavedRowsChoices choices;
    choices.Count = [this] { return UnsavedAtClose_.size(); };
    choices.TryAgain = [this] {
        UnsavedAtClose_ = SaveWhereverPossible(std::move(UnsavedAtClose_), ApplicationTitle());
    };
    choices.SaveTo = [this](const std::string& path) {
        UnsavedAtClose_ =
            AppendRows(std::move(UnsavedAtClose_), [&path](const TTestRecordRow&) { return path; });
    };
    choices.ChooseFile =
        ChooseUnsavedRowsFile ? ChooseUnsavedRowsFile : [this](const QString& suggestion) {
            return ChooseRecordFile(this, suggestion);
        };
    choices.SuggestedName = RecordFileName(
        UnsavedAtClose_.empty() ? std::string() : UnsavedAtClose_.front().Alarm.Date);
    AskWhatBecomesOfUnsavedRows(this, choices);
    if (!UnsavedAtClose_.empty())
        std::fprintf(stderr, "%s: %zu test record rows are lost\n", ApplicationTitle().c_str(),
                     UnsavedAtClose_.size());
}
