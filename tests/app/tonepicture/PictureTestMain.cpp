// The pictures' texts need fonts, so their tests run in an offscreen GUI application made the
// way quorvane-tones makes its own.

#include "app/tonepicture/FontsWithoutWindow.h"

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto fonts = StartFontsWithoutWindow("quorvane_tonepicture_tests");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
