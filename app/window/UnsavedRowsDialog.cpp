#include "app/window/UnsavedRowsDialog.h"

#include "framework/ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString RowCount(std::size_t count) {
    return count == 1 ? QStringLiteral("1 Zeile") : QStringLiteral("%1 Zeilen").arg(count);
}

bool ConfirmLoss(QWidget* parent, std::size_t count) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(ApplicationTitle()),
                    QStringLiteral("%1 des Prüfprotokolls gehen verloren. Wirklich schließen?")
                        .arg(RowCount(count)),
                    QMessageBox::NoButton, parent);
    QPushButton* lose =
        box.addButton(QStringLiteral("Verwerfen und schließen"), QMessageBox::DestructiveRole);
    box.setDefaultButton(box.addButton(QStringLiteral("Zurück"), QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == lose;
}

} // namespace

QString ChooseRecordFile(QWidget* parent, const QString& suggestion) {
    // The rows are added to a file that exists, so there is nothing to overwrite.
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Prüfprotokoll speichern unter"),
                                        suggestion, QStringLiteral("Prüfprotokoll (*.csv)"),
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

void AskWhatBecomesOfUnsavedRows(QWidget* parent, const TUnsavedRowsChoices& choices) {
    while (choices.Count() > 0 && !ProgramEnding()) {
        QMessageBox box(QMessageBox::Critical, QString::fromStdString(ApplicationTitle()),
                        QStringLiteral("%1 des Prüfprotokolls konnten weder im Arbeitsordner "
                                       "noch im Zustandsordner gespeichert werden.")
                            .arg(RowCount(choices.Count())),
                        QMessageBox::NoButton, parent);
        QPushButton* saveAs =
            box.addButton(QStringLiteral("Speichern unter …"), QMessageBox::AcceptRole);
        QPushButton* tryAgain =
            box.addButton(QStringLiteral("Erneut versuchen"), QMessageBox::ActionRole);
        QPushButton* close =
            box.addButton(QStringLiteral("Ohne Speichern schließen"), QMessageBox::DestructiveRole);
        box.setDefaultButton(saveAs);
        box.exec();
        if (box.clickedButton() == saveAs) {
            // The working folder failed, so the suggestion is in the home folder.
            const QString path = choices.ChooseFile(
                QDir::home().filePath(QString::fromStdString(choices.SuggestedName)));
            if (!path.isEmpty())
                choices.SaveTo(QFile::encodeName(path).toStdString());
        } else if (box.clickedButton() == tryAgain)
            choices.TryAgain();
        else if (box.clickedButton() == close && ConfirmLoss(parent, choices.Count()))
            return;
    }
}
