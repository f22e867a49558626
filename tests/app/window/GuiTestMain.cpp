// Entry of the main window's GUI tests: offscreen (unless "-platform" names another, as for
// screenshots on a virtual X server), with Qt's German texts and fonts as in the program.

#include "app/main/GermanCatalogue.h"
#include "app/main/LayoutFonts.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    InstallQtGermanCatalogue();
    InstallLayoutFontSubstitutes();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
