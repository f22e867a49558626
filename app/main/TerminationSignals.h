#pragma once
// SIGTERM, SIGINT and SIGHUP end the program the way closing its window does: every window is
// closed and the event loop ends on the GUI thread, so the port is closed in order (drained,
// released) and its workers are joined before the program exits.
//
// The signal handler only writes the signal's number to a pipe; a socket notifier reads it on
// the GUI thread. Once one such signal has been taken the default actions come back, so a
// second one still ends a program that no longer responds. Make one instance on the GUI thread,
// after the application object and before the main window; it restores the default actions
// when destroyed. Without a pipe the signals keep their default actions.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

class TTerminationSignals : public QObject {
public:
    TTerminationSignals();
    ~TTerminationSignals() override;
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

    // True once a signal has asked the program to end.
    bool Requested() const { return FRequested; }

private:
    void Terminate();

    int FPipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> FNotifier;
    bool FRequested = false;
};
