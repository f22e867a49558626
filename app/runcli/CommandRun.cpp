#include "app/runcli/CommandRun.h"

#include "app/report/ReportPdf.h"
#include "app/report/ReportRows.h"
#include "app/supervision/ReplyDecoding.h"
#include "app/testplan/PlannedAlarm.h"
#include "app/testrecord/RecordFile.h"
#include "app/tonecheck/AlarmJudge.h"
#include "app/toneinput/HeardPictures.h"
#include "framework/ErrorReport.h"

#include <QAudioDevice>
#include <QDate>
#include <QDateTime>
#include <QMediaDevices>
#include <algorithm>
#include <cstdio>

namespace {

// The code picture as the window's view below the list shows it.
constexpr QSize CodePictureSize{880, 124};

void Say(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", RunProgramFile.data(), text.c_str());
}

template <class TAction> void OnTimer(QTimer& timer, int milliseconds, TAction action) {
    timer.setInterval(milliseconds);
    QObject::connect(&timer, &QTimer::timeout, [action] { RunReportingErrors(action); });
}

} // namespace

TCommandRun::TCommandRun(TRunOptions options, TTestPlan plan, TToneLimits limits)
    : Options_(std::move(options)), Limits_(std::move(limits)),
      Session_(Limits_, AppendRecordLine,
               [this](const TTestRecordRow& row) {
                   if (const auto failure = SaveHeardPictures(row, Listener_, CodePictureSize))
                       Say("cannot save the pictures of " + row.Alarm.Time + ": " + *failure);
               }),
      Run_(std::move(plan), TPlanRun::TTime::clock::now()) {
    OnTimer(PollTimer_, 500, [this] { Poll(); });
    OnTimer(LinkTimer_, 1000, [this] { WatchLink(); });
    OnTimer(TickTimer_, 200, [this] { Tick(); });
    ExpireTimer_.setSingleShot(true);
    QObject::connect(&ExpireTimer_, &QTimer::timeout, [this] {
        RunReportingErrors([this] { Apply(Session_.Expire(TPlanRun::TTime::clock::now())); });
    });
    Port_.SetBaud(1200);
    Port_.SetComNumber(static_cast<std::uint16_t>(Options_.Port));
    Port_.SetOnTriggerAvail([this](TSioCustomComPort&, std::uint16_t count) {
        RunReportingErrors([this, count] { Received(count); });
    });
    Listener_.SetOnHeard([this](const std::vector<THeardSignal>& heard) {
        for (const THeardSignal& signal : heard)
            Apply(Session_.Heard(signal));
    });
    Listener_.SetOnFailure([this](const QString& reason) {
        Say("the tone input stopped: " + reason.toStdString());
        Apply(Session_.StopListening());
    });
}

bool TCommandRun::Start() {
    try {
        Port_.SetOpen(true);
    } catch (const std::exception& error) {
        Say("cannot open COM" + std::to_string(Options_.Port) + ": " + error.what());
        return false;
    }
    if (!Options_.ToneInput.empty()) {
        const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
        const auto input = std::find_if(inputs.begin(), inputs.end(), [this](const auto& device) {
            return device.description().toStdString() == Options_.ToneInput ||
                   device.id().toStdString() == Options_.ToneInput;
        });
        if (input == inputs.end()) {
            Say("no audio input named '" + Options_.ToneInput + "'");
            return false;
        }
        try {
            Listener_.Start(*input, Options_.Standard);
        } catch (const std::exception& error) {
            Say("cannot listen to '" + Options_.ToneInput + "': " + error.what());
            return false;
        }
    }
    PollTimer_.start();
    LinkTimer_.start();
    TickTimer_.start();
    return true;
}

void TCommandRun::Poll() {
    try {
        Port_.WriteString(std::string(PollRequest));
        OutputFullShown_ = false;
    } catch (const EOutputBufferTooSmall& error) {
        // While the line does not drain every poll fails the same way: told once.
        if (!std::exchange(OutputFullShown_, true))
            Say(std::string("cannot poll: ") + error.what());
    }
}

void TCommandRun::WatchLink() {
    if (!WatchdogTickShowsBanner(LinkWatchdog_)) {
        LinkLostShown_ = false;
        return;
    }
    if (std::exchange(LinkLostShown_, true))
        return;
    Say("Verbindung unterbrochen: the run waits for the encoder");
    Apply(Session_.Reply(LinkLostReply));
    Run_.LinkLost();
}

void TCommandRun::Received(std::uint16_t count) {
    for (std::uint16_t i = 0; i < count; ++i) {
        const TReplyKind reply = DecodeReplyByte(Port_.ReadChar());
        ApplyReply(reply, LastReplyWasAck_, LinkWatchdog_);
        if (const std::string_view text = RecordedReply(reply); !text.empty())
            Apply(Session_.Reply(text));
        Run_.Reply(reply, TPlanRun::TTime::clock::now());
    }
}

void TCommandRun::Tick() {
    if (const TPlanStep* step = Run_.Due(TPlanRun::TTime::clock::now()))
        Send(*step);
    if (Run_.Over())
        Finish();
}

void TCommandRun::Send(const TPlanStep& step) {
    TPlannedAlarm planned = PlannedAlarm(step);
    if (planned.Telegram.empty()) {
        Say("step " + std::to_string(Run_.Number()) + " cannot be sent; the run ends");
        Run_.Stop();
        return;
    }
    TAlarmSent& alarm = planned.Alarm;
    const QDateTime now = QDateTime::currentDateTime();
    alarm.Date = now.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    alarm.Time = now.toString(QStringLiteral("HH:mm:ss")).toStdString();
    alarm.Listening = Listener_.Listening();
    alarm.Standard = Options_.Standard;
    alarm.HeardFrom = Listener_.ListenedSeconds();
    alarm.Step = Run_.Number();
    // A port whose device has gone takes writes without a word; they go nowhere.
    alarm.Sent = Port_.DeviceAttached() && !LinkLostShown_;
    try {
        if (alarm.Sent)
            Port_.WriteString(planned.Telegram);
    } catch (const std::exception& error) {
        // Recorded "nicht gesendet": the run sends it again once the encoder answers.
        alarm.Sent = false;
        Say("cannot send step " + std::to_string(alarm.Step) + ": " + error.what());
    }
    const std::size_t row = Session_.RowCount();
    const double onAir = HearingWindowSeconds(ExpectedOf(alarm), Limits_);
    const bool listening = alarm.Listening;
    TTestSession::TUpdate update =
        Session_.AlarmSent(std::move(alarm), TPlanRun::TTime::clock::now());
    Run_.Sent(row, TPlanRun::TTime::clock::now(), listening ? onAir + 10.0 : onAir);
    Apply(update);
}

void TCommandRun::Apply(const TTestSession::TUpdate& update) {
    const std::vector<std::size_t>& ours = Run_.Rows();
    const auto isOurs = [&ours](std::size_t index) {
        return std::find(ours.begin(), ours.end(), index) != ours.end();
    };
    for (const std::size_t index : update.Changed)
        if (isOurs(index)) {
            Rows_[index] = Session_.Row(index);
            Run_.RowChanged(index, Rows_[index].Verdict.Kind, false);
        }
    for (std::size_t i = 0; i < update.Completed.size(); ++i) {
        const std::size_t index = update.Completed[i];
        if (!isOurs(index))
            continue;
        const TTestRecordRow& row = Rows_[index] = update.Finished[i];
        Run_.RowChanged(index, row.Verdict.Kind, true);
        Say("Schritt " + std::to_string(row.Alarm.Step) + " von " + std::to_string(Run_.Total()) +
            ": " + row.Alarm.Code + " " + row.Alarm.AlarmType + ": " +
            (row.Verdict.Text.empty() ? std::string("nicht beurteilt") : row.Verdict.Text));
    }
    if (update.WriteFailure && !std::exchange(WriteFailureShown_, true))
        Say("cannot write the test record: " + update.WriteFailure->Reason);
    if (update.NextDeadline) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            *update.NextDeadline - TPlanRun::TTime::clock::now());
        ExpireTimer_.start(std::max<int>(0, static_cast<int>(wait.count())));
    }
}

void TCommandRun::Finish() {
    TickTimer_.stop();
    PollTimer_.stop();
    LinkTimer_.stop();
    ExpireTimer_.stop();
    Apply(Session_.CompleteAll());
    Listener_.Stop();
    int status = Run_.EveryAlarmMatched() ? 0 : 1;
    // Rows the working folder does not take go to the state folder, as the window's do.
    if (const std::size_t lost =
            SaveWhereverPossible(Session_.TakeHeld(), std::string(RunProgramFile)).size();
        lost > 0) {
        Say(std::to_string(lost) + " rows of the test record could not be saved anywhere");
        status = 2;
    }
    Say("Prüfablauf " +
        std::string(Run_.State() == TPlanRun::TState::Stopped ? "abgebrochen" : "beendet") + ": " +
        Run_.TallyText());
    if (!Options_.Output.empty() && WriteReport() != 0)
        status = 2;
    if (OnEnd)
        OnEnd(status);
}

int TCommandRun::WriteReport() {
    std::vector<TReportRow> rows;
    for (const std::size_t index : Run_.Rows())
        if (const auto row = Rows_.find(index); row != Rows_.end())
            rows.push_back(ReportRowOf(row->second));
    FindPictures(rows, ".");
    TReportFields fields = Options_.Fields;
    if (fields.Bemerkung.empty())
        fields.Bemerkung = Run_.Plan().Name;
    const std::string today = QDate::currentDate().toString(Qt::ISODate).toStdString();
    const TReport report{fields, today, std::move(rows), {}};
    const auto unreadable = [](const std::string& picture, const std::string& why) {
        Say(UnreadablePictureNote(picture, why));
    };
    if (const auto failure = WriteReportPdf(report, QString::fromLocal8Bit(Options_.Output),
                                            RecordFileName(today), unreadable)) {
        Say("cannot write " + Options_.Output + ": " + *failure);
        return 2;
    }
    return 0;
}
