#pragma once
// The "Bericht …" dialog of the Prüfprotokoll band: asks for "Prüfer", "Prüfling", "Standort"
// and "Bemerkung" (the first three remembered between runs) and which rows to report, then
// writes Pruefbericht-YYYY-MM-DD-HHMM.pdf into the working folder and opens it with the
// desktop's viewer. Where no viewer opens it, the dialog stays and shows the file's path.
//
// GUI thread. A report that cannot be written goes to the standard error report, nothing is
// left behind, and the dialog stays open to try again; no exception leaves it. So does one
// whose name is taken by the day's record file or a picture (through a link) or by anything
// but a regular file, which is left as it is. A picture that cannot be read is named on
// standard error.

#include "app/report/ReportRows.h"

#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class TReportDialog : public QDialog {
public:
    // `today` are all rows of the day with the lines of its file that are no rows, `selected`
    // those marked in the list (may be empty).
    TReportDialog(QWidget* parent, QString workingFolder, TRecordRead today,
                  std::vector<TReportRow> selected);

    // Opens a written report; says whether anything could. The desktop's viewer by default.
    using TOpener = std::function<bool(const QString& path)>;
    void SetOpener(TOpener opener);

    // The report written last; empty before the first.
    QString WrittenPath() const;

    QLineEdit* Pruefer;
    QLineEdit* Pruefling;
    QLineEdit* Standort;
    QPlainTextEdit* Bemerkung;
    QRadioButton* AllToday;
    QRadioButton* Selected;
    QPushButton* Save;
    QLabel* SavedPath; // shown when no viewer opened the report

private:
    void SaveReport();

    QString WorkingFolder_;
    TRecordRead Today_;
    std::vector<TReportRow> Selected_;
    TOpener Opener_;
    QString WrittenPath_;
};
