// Entry of the main window's GUI tests: offscreen (unless "-platform" names another, as for
// screenshots on a virtual X server), with Qt's German texts and fonts as in the program,
// settings and state kept in a folder of their own, and no audio server to find.

#include "app/main/GermanCatalogue.h"
#include "app/main/LayoutFonts.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string settings =
        (std::filesystem::temp_directory_path() / "quorvane-settings-XXXXXX").string();
    if (mkdtemp(settings.data()) == nullptr)
        return 1;
    setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
    setenv("XDG_STATE_HOME", (settings + "/state").c_str(), 1);
    setenv("PULSE_SERVER", (settings + "/no-audio-server").c_str(), 1);
    int result = 0;
    {
        QApplication application(argc, argv);
        InstallQtGermanCatalogue();
        InstallLayoutFontSubstitutes();
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::filesystem::remove_all(settings);
    return result;
}
