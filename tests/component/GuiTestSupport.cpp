#include "GuiTestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        // Sleeps in the event dispatcher until something arrives or a short slice passes.
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

TModalDriver::TModalDriver(std::function<void(QWidget&)> action) : FAction(std::move(action)) {
    FTimer.setInterval(5);
    QObject::connect(&FTimer, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || FRan)
            return;
        FRan = true;
        FTimer.stop();
        FAction(*modal);
    });
    FTimer.start();
}

TModalDriver::~TModalDriver() {
    FTimer.stop();
}
