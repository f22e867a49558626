#include "app/main/TerminationSignals.h"

#include "framework/ErrorReport.h"

#include <QApplication>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int EndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, which may do nothing but async-signal-safe calls.
volatile std::sig_atomic_t WakeFd = -1;

// sigaction is async-signal-safe, std::signal is not promised to be.
void RestoreDefaultActions() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : EndingSignals)
        sigaction(signal, &action, nullptr);
}

extern "C" void OnEndingSignal(int signal) {
    const int savedErrno = errno;
    // Given back here, not on the window's thread: a second signal must end a program whose
    // window no longer returns to its event loop.
    RestoreDefaultActions();
    const auto number = static_cast<unsigned char>(signal);
    // A full pipe already holds a request.
    [[maybe_unused]] const ssize_t written = write(WakeFd, &number, 1);
    errno = savedErrno;
}

} // namespace

TTerminationSignals::TTerminationSignals() {
    if (pipe2(FPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    WakeFd = FPipe[1];
    FNotifier = std::make_unique<QSocketNotifier>(FPipe[0], QSocketNotifier::Read);
    connect(FNotifier.get(), &QSocketNotifier::activated, this, [this] { Terminate(); });
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : EndingSignals)
        sigaction(signal, &action, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
    RestoreDefaultActions();
    FNotifier.reset();
    WakeFd = -1;
    for (const int fd : FPipe)
        if (fd >= 0)
            close(fd);
}

void TTerminationSignals::Terminate() {
    unsigned char taken[16];
    while (read(FPipe[0], taken, sizeof taken) > 0) {
    }
    if (FRequested)
        return;
    FRequested = true;
    SetProgramEnding();
    // Closing the windows ends a modal dialog's loop too; quitting ends the main loop even
    // when a window refused to close.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}
