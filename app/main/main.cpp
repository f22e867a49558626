// Quorvane: a test tool for alarm encoders on a serial line. One window, German texts; it reads
// no command line and remembers only the test record's audio input and tone standard.

#include "app/main/AudioServerNote.h"
#include "app/main/GermanCatalogue.h"
#include "app/main/LayoutFonts.h"
#include "app/main/TerminationSignals.h"
#include "app/window/MainForm.h"
#include "framework/ErrorReport.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    InstallAudioServerNote();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(ApplicationTitle()));
    InstallQtGermanCatalogue();
    InstallLayoutFontSubstitutes();
    TTerminationSignals termination;
    TMainForm MainForm;
    // Asked to end while the window was being made (its port dialog, say): it is not shown.
    if (termination.Requested())
        return 0;
    MainForm.show();
    return QApplication::exec();
}
