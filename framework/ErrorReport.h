#pragma once
// The standard error report: the one way the program tells the operator that something failed.
//
// ShowErrorReport shows a modal message box with the critical icon and one OK button, titled
// with ApplicationTitle(), holding the exception's message with "." appended when its last
// character sorts after "."; it returns when the operator closes the box, and the program goes
// on. Call it on the GUI thread only (the component's events all run there). It never throws.
// While a box is open, a further report does not open a second one (timers keep ticking inside
// the box, and a fault that repeats on every tick would stack boxes): it goes to stderr.
//
// Once the program is ending (a termination signal has asked it to), nobody is left to press OK:
// reports go to stderr instead, and other message boxes ask ProgramEnding to do the same.
//
// RunReportingErrors runs a callable and hands whatever escapes it to the report, so no C++
// exception crosses a Qt frame: wrap every slot, event handler and timer callback in it.
//
// TErrorReportCapture is the test seam: while one lives, reports go to its sink instead of a
// modal box. Captures nest; the innermost one receives.

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

// The program file's name without folder and extension, first letter upper case and the rest
// lower case ("Quorvane").
std::string ApplicationTitle();
std::string ApplicationTitleFromPath(std::string_view programPath);

// The text the report shows for a message.
std::string ErrorReportMessage(std::string_view message);

void SetProgramEnding() noexcept;
bool ProgramEnding() noexcept;

void ShowErrorReport(std::string_view message) noexcept;
void ShowErrorReport(const std::exception& error) noexcept;
// Reports the exception currently being handled; call only inside a catch block.
void ReportCurrentException() noexcept;

template <class TAction> bool RunReportingErrors(TAction&& action) noexcept {
    try {
        std::forward<TAction>(action)();
        return true;
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}

using TErrorReportSink = std::function<void(const std::string& title, const std::string& text)>;

class TErrorReportCapture {
public:
    explicit TErrorReportCapture(TErrorReportSink sink);
    ~TErrorReportCapture();
    TErrorReportCapture(const TErrorReportCapture&) = delete;
    TErrorReportCapture& operator=(const TErrorReportCapture&) = delete;

private:
    TErrorReportSink Previous_;
};
