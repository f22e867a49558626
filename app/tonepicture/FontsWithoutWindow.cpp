#include "app/tonepicture/FontsWithoutWindow.h"

#include <cstdio>

namespace {

// The application keeps referring to its arguments while it lives.
int ArgumentCount = 1;
char* Arguments[] = {nullptr, nullptr};

void IgnoreQtRemarks(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s: %s\n", Arguments[0], qPrintable(message));
}

} // namespace

std::unique_ptr<QGuiApplication> StartFontsWithoutWindow(const char* programName) {
    Arguments[0] = const_cast<char*>(programName);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(IgnoreQtRemarks);
    return std::make_unique<QGuiApplication>(ArgumentCount, Arguments);
}
