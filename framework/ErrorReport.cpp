#include "framework/ErrorReport.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace {

// GUI thread only, like the report itself.
TErrorReportSink& CurrentSink() {
    static TErrorReportSink sink;
    return sink;
}

// GUI thread only. Timers keep ticking while a box is open, so a fault that comes back on every
// tick would stack boxes without end; while one is open, later reports go to stderr instead.
bool ReportBoxOpen = false;
bool Ending = false;

std::string ProgramPath() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath().toStdString();
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).string();
}

} // namespace

std::string ApplicationTitleFromPath(std::string_view programPath) {
    std::string title = std::filesystem::path(programPath).stem().string();
    for (std::size_t i = 0; i < title.size(); ++i) {
        auto c = static_cast<unsigned char>(title[i]);
        title[i] = static_cast<char>(i == 0 ? std::toupper(c) : std::tolower(c));
    }
    return title;
}

std::string ApplicationTitle() {
    return ApplicationTitleFromPath(ProgramPath());
}

void SetProgramEnding() noexcept {
    Ending = true;
}

bool ProgramEnding() noexcept {
    return Ending;
}

std::string ErrorReportMessage(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

void ShowErrorReport(std::string_view message) noexcept {
    try {
        const std::string title = ApplicationTitle();
        const std::string text = ErrorReportMessage(message);
        if (CurrentSink()) {
            CurrentSink()(title, text);
            return;
        }
        if (ReportBoxOpen || Ending) {
            std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
            return;
        }
        QMessageBox box(QMessageBox::Critical, QString::fromStdString(title),
                        QString::fromStdString(text), QMessageBox::Ok);
        ReportBoxOpen = true;
        box.exec();
        ReportBoxOpen = false;
    } catch (...) {
        // The report is the last resort; a failure to show it cannot be reported anywhere.
    }
}

void ShowErrorReport(const std::exception& error) noexcept {
    ShowErrorReport(error.what());
}

void ReportCurrentException() noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        ShowErrorReport(error);
    } catch (...) {
        ShowErrorReport("Unknown exception");
    }
}

TErrorReportCapture::TErrorReportCapture(TErrorReportSink sink)
    : Previous_(std::exchange(CurrentSink(), std::move(sink))) {}

TErrorReportCapture::~TErrorReportCapture() {
    CurrentSink() = std::move(Previous_);
}
