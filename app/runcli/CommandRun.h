#pragma once
// A test plan's run without a window: the port, the tone input and the test session the window
// uses, paced by the same TPlanRun. Polls twice a second and watches the link as the window
// does; each alarm goes out as the window would send it (PlannedAlarm); the day's record and its
// pictures go into the working folder; a line per alarm goes to standard error; at the end the
// report of the run's rows is written.
//
// The main thread, inside the application's event loop. Failures of the port, the input and the
// files are told on standard error; nothing here throws out of a Qt frame.

#include "app/runcli/RunCommandLine.h"
#include "app/testplan/PlanRun.h"
#include "app/testrecord/TestSession.h"
#include "app/tonecheck/LimitsFile.h"
#include "app/toneinput/ToneListener.h"
#include "serial/component/SioComPort.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>

class TCommandRun : public QObject {
public:
    TCommandRun(TRunOptions options, TTestPlan plan, TToneLimits limits);

    // Opens the port and the tone input and starts; false (and said why) when either fails.
    bool Start();
    // Called once with the exit status when the run is over.
    std::function<void(int status)> OnEnd;

private:
    void Poll();
    void WatchLink();
    void Tick();
    void Received(std::uint16_t count);
    void Send(const TPlanStep& step);
    void Apply(const TTestSession::TUpdate& update);
    void Finish();
    int WriteReport();

    TRunOptions Options_;
    TToneLimits Limits_;
    TSioComPort Port_;
    TToneListener Listener_{nullptr};
    TTestSession Session_;
    TPlanRun Run_;
    QTimer PollTimer_;
    QTimer LinkTimer_;
    QTimer TickTimer_;
    QTimer ExpireTimer_;
    bool LastReplyWasAck_ = false;
    int LinkWatchdog_ = 0;
    bool LinkLostShown_ = false;
    bool WriteFailureShown_ = false;
    bool OutputFullShown_ = false;
    // The run's rows as last seen, for the progress lines and the report.
    std::map<std::size_t, TTestRecordRow> Rows_;
};
