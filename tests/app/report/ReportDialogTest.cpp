// The report dialog as the operator uses it: fields remembered, rows chosen, the report saved
// and opened, or its path shown, or one error and no file when the folder is read-only or the
// report's name is taken by a link to the record or by a pipe.

#include "app/window/ReportDialog.h"

#include "app/testrecord/RecordFile.h"
#include "framework/ErrorReport.h"
#include "tests/app/report/ReportTestTools.h"

#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string Today() {
    return QDate::currentDate().toString(Qt::ISODate).toStdString();
}

// What already holds the names the dialog will pick, this minute or the next.
enum class TTaken { Free, ByRecordLink, ByPipe };

void TakeReportNames(const fs::path& folder, TTaken taken) {
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime& minute : {now, now.addSecs(60)}) {
        const fs::path name =
            folder /
            minute.toString(QStringLiteral("'Pruefbericht-'yyyy-MM-dd-HHmm'.pdf'")).toStdString();
        if (taken == TTaken::ByRecordLink)
            fs::create_symlink(RecordFileName(Today()), name);
        else if (taken == TTaken::ByPipe)
            mkfifo(name.c_str(), 0600);
    }
}

TEST(ReportDialogTest, SavesTheChosenRowsOpensOrShowsThePathOrReportsTheFailure) {
    const fs::path folder =
        fs::temp_directory_path() / ("quorvane-report-dialog-" + std::to_string(getpid()));
    TRecordRead today;
    for (const auto& [minute, code] : {std::pair{1, "11111"}, {2, "22222"}, {3, "33333"}})
        today.Rows.push_back(ReportRowOf(RecordRow(minute, code)));
    const struct {
        const char* Name;
        bool Writable;
        bool Opens;
        bool MarkedRows;
        std::string Pdf; // "first|second|..." in order; empty when nothing may be written
        TTaken Taken = TTaken::Free;
        std::string Why = ""; // what the error names as the reason; any when empty
    } cases[] = {
        {"opened", true, true, true,
         "Max Müller|Geber 4711|Halle 2|Erstprüfung|11111|33333|2 Alarme: 2 ohne Ergebnis|"
         "Seite 1 von 1"},
        {"no viewer", true, false, false, "11111|22222|33333|3 Alarme"},
        {"read-only folder", false, true, false, ""},
        {"name links to the record", false, true, false, "", TTaken::ByRecordLink,
         "it is the input"},
        {"name is a pipe", false, true, false, "", TTaken::ByPipe, "it is a named pipe (FIFO)"},
    };
    for (const auto& c : cases) {
        fs::create_directories(folder);
        const std::string record = "Datum;Zeit;Code;Ergebnis\r\n";
        std::ofstream(folder / RecordFileName(Today()), std::ios::binary) << record;
        TakeReportNames(folder, c.Taken);
        const auto before = std::distance(fs::directory_iterator(folder), {});
        std::optional<TRefusingFolder> locked;
        if (!c.Writable && c.Taken == TTaken::Free)
            locked.emplace(folder, TRefusingFolder::ReadOnly);
        std::vector<std::string> errors;
        const TErrorReportCapture capture(
            [&](const std::string&, const std::string& text) { errors.push_back(text); });

        TReportDialog dialog(nullptr, QString::fromStdString(folder.string()), today,
                             {today.Rows[2], today.Rows[0]});
        QString opened;
        dialog.SetOpener([&](const QString& path) {
            opened = path;
            return c.Opens;
        });
        dialog.show();
        dialog.Pruefer->setText(QStringLiteral("Max Müller"));
        dialog.Pruefling->setText(QStringLiteral("Geber 4711"));
        dialog.Standort->setText(QStringLiteral("Halle 2"));
        dialog.Bemerkung->setPlainText(QStringLiteral("Erstprüfung"));
        (c.MarkedRows ? dialog.Selected : dialog.AllToday)->setChecked(true);
        dialog.Save->click();

        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.Writable && c.Opens) << c.Name;
        EXPECT_EQ(errors.size(), c.Writable ? 0u : 1u) << c.Name;
        EXPECT_EQ(dialog.SavedPath->isVisible() &&
                      dialog.SavedPath->text().endsWith(dialog.WrittenPath()),
                  c.Writable && !c.Opens)
            << c.Name;
        if (c.Pdf.empty()) {
            EXPECT_NE(errors.at(0).find("kann nicht geschrieben werden: "), std::string::npos);
            EXPECT_NE(errors.at(0).find(c.Why), std::string::npos) << errors.at(0);
            EXPECT_FALSE(dialog.result() == QDialog::Accepted) << c.Name;
            EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), before) << c.Name;
            EXPECT_EQ(FileText(folder / RecordFileName(Today())), record) << c.Name;
        } else {
            EXPECT_EQ(opened, dialog.WrittenPath());
            EXPECT_TRUE(opened.contains(QRegularExpression("/Pruefbericht-[0-9-]{15}\\.pdf$")));
            EXPECT_EQ(MissingInOrder(PdfText(opened.toStdString()), c.Pdf), TMissing{}) << c.Name;
        }
        locked.reset();
        fs::remove_all(folder);
    }
    // The three fields come back the next time, the remark does not.
    const TReportDialog next(nullptr, QString(), today, {});
    EXPECT_EQ(QStringList({next.Pruefer->text(), next.Pruefling->text(), next.Standort->text(),
                           next.Bemerkung->toPlainText()}),
              QStringList({"Max Müller", "Geber 4711", "Halle 2", ""}));
    EXPECT_FALSE(next.Selected->isEnabled());
}

} // namespace
