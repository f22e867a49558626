#include "app/window/MessageBox.h"

#include "framework/ErrorReport.h"

#include <QMessageBox>

void ShowMessage(const QString& text) noexcept {
    RunReportingErrors([&text] {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(ApplicationTitle()), text,
                        QMessageBox::Ok);
        box.exec();
    });
}
