#include "app/window/ReportDialog.h"

#include "app/report/ReportPdf.h"
#include "app/testrecord/RecordFile.h"
#include "app/window/ProgramSettings.h"
#include "framework/ErrorReport.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

namespace {

const QString PrueferKey = QStringLiteral("Pruefbericht/Pruefer");
const QString PrueflingKey = QStringLiteral("Pruefbericht/Pruefling");
const QString StandortKey = QStringLiteral("Pruefbericht/Standort");

QLineEdit* RememberedField(const QString& key, QWidget* parent) {
    auto* field = new QLineEdit(ProgramSettings().value(key).toString(), parent);
    field->setObjectName(key.section(QLatin1Char('/'), 1));
    return field;
}

// The report reads in the order the alarms went out, whatever order the list was marked in.
std::vector<TReportRow> InSendOrder(std::vector<TReportRow> rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return std::tie(a.Date, a.Time) < std::tie(b.Date, b.Time);
    });
    return rows;
}

} // namespace

TReportDialog::TReportDialog(QWidget* parent, QString workingFolder, TRecordRead today,
                             std::vector<TReportRow> selected)
    : QDialog(parent), WorkingFolder_(std::move(workingFolder)), Today_(std::move(today)),
      Selected_(std::move(selected)), Opener_([](const QString& path) {
          return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
      }) {
    setWindowTitle(QStringLiteral("Prüfbericht"));
    // Room for a device name and a site without scrolling inside the fields.
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    Pruefer = RememberedField(PrueferKey, this);
    Pruefling = RememberedField(PrueflingKey, this);
    Standort = RememberedField(StandortKey, this);
    Bemerkung = new QPlainTextEdit(this);
    Bemerkung->setObjectName(QStringLiteral("Bemerkung"));
    Bemerkung->setTabChangesFocus(true);
    Bemerkung->setFixedHeight(Bemerkung->fontMetrics().lineSpacing() * 3 +
                              2 * Bemerkung->frameWidth() + 8);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Prüfer:"), Pruefer);
    fields->addRow(QStringLiteral("Prüfling:"), Pruefling);
    fields->addRow(QStringLiteral("Standort:"), Standort);
    fields->addRow(QStringLiteral("Bemerkung:"), Bemerkung);

    auto* rows = new QGroupBox(QStringLiteral("Zeilen"), this);
    AllToday = new QRadioButton(QStringLiteral("alle von heute"), rows);
    Selected = new QRadioButton(QStringLiteral("markierte Zeilen"), rows);
    AllToday->setChecked(true);
    Selected->setEnabled(!Selected_.empty());
    auto* rowsLayout = new QVBoxLayout(rows);
    rowsLayout->addWidget(AllToday);
    rowsLayout->addWidget(Selected);

    SavedPath = new QLabel(this);
    SavedPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SavedPath->setWordWrap(true);
    SavedPath->hide();

    auto* buttons = new QDialogButtonBox(this);
    Save = buttons->addButton(QStringLiteral("Speichern"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Schließen"), QDialogButtonBox::RejectRole);
    Save->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this,
            [this] { RunReportingErrors([this] { SaveReport(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(rows);
    layout->addWidget(SavedPath);
    layout->addWidget(buttons);
}

void TReportDialog::SetOpener(TOpener opener) {
    Opener_ = std::move(opener);
}

QString TReportDialog::WrittenPath() const {
    return WrittenPath_;
}

void TReportDialog::SaveReport() {
    QSettings settings = ProgramSettings();
    settings.setValue(PrueferKey, Pruefer->text());
    settings.setValue(PrueflingKey, Pruefling->text());
    settings.setValue(StandortKey, Standort->text());

    const QDateTime now = QDateTime::currentDateTime();
    TReport report{{Pruefer->text().toStdString(), Pruefling->text().toStdString(),
                    Standort->text().toStdString(), Bemerkung->toPlainText().toStdString()},
                   now.date().toString(Qt::ISODate).toStdString(),
                   InSendOrder(Selected->isChecked() ? Selected_ : Today_.Rows),
                   Selected->isChecked() ? std::vector<std::size_t>{} : Today_.SkippedLines};
    FindPictures(report.Rows, WorkingFolder_.toStdString());
    const QString path =
        QDir(WorkingFolder_)
            .filePath(now.toString(QStringLiteral("'Pruefbericht-'yyyy-MM-dd-HHmm'.pdf'")));
    const QString recordFile =
        QDir(WorkingFolder_).filePath(QString::fromStdString(RecordFileName(report.Created)));
    const auto unreadable = [](const std::string& picture, const std::string& why) {
        std::fprintf(stderr, "%s: %s\n", ApplicationTitle().c_str(),
                     UnreadablePictureNote(picture, why).c_str());
    };
    if (const auto failure = WriteReportPdf(report, path, recordFile.toStdString(), unreadable)) {
        ShowErrorReport("Prüfbericht \"" + path.toStdString() +
                        "\" kann nicht geschrieben werden: " + *failure);
        return;
    }
    WrittenPath_ = path;
    if (Opener_(path)) {
        accept();
        return;
    }
    SavedPath->setText(QStringLiteral("Gespeichert, aber kein Programm zum Anzeigen gefunden:\n") +
                       QDir::toNativeSeparators(path));
    SavedPath->show();
}
