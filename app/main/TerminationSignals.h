#pragma once
// SIGTERM, SIGINT and SIGHUP end the program the way closing its window does: every window is
// closed and the event loop ends on the GUI thread, so the port is closed in order (drained,
// released) and its workers are joined before the program exits.
//
// The signal handler gives the default actions back at once and writes the signal's number to a
// pipe, which a socket notifier reads on the GUI thread. So the first such signal asks for an
// ordinary end, and a second one ends the program by default even when its window's thread
// never gets to the notifier. Make one instance on the GUI thread,
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
