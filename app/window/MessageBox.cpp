#include "app/window/MessageBox.h"

#include "framework/ErrorReport.h"

#include <QMessageBox>
#include <cstdio>

void ShowMessage(const QString& text) noexcept {
    RunReportingErrors([&text] {
        if (ProgramEnding()) {
            std::fprintf(stderr, "%s: %s\n", ApplicationTitle().c_str(), qPrintable(text));
            return;
        }
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(ApplicationTitle()), text,
                        QMessageBox::Ok);
        box.exec();
    });
}
