// Entry of the main window's GUI tests: offscreen, with Qt's German texts as in the program.

#include "app/main/GermanCatalogue.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    InstallQtGermanCatalogue();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
