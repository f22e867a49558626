#include "app/tonepicture/FontsWithoutWindow.h"

#include <cstdio>

namespace {

const char* ProgramName = "";

void IgnoreQtRemarks(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s: %s\n", ProgramName, qPrintable(message));
}

} // namespace

std::unique_ptr<QGuiApplication> StartFontsWithoutWindow(int& argc, char** argv,
                                                         const char* programName) {
    ProgramName = programName;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(IgnoreQtRemarks);
    return std::make_unique<QGuiApplication>(argc, argv);
}
