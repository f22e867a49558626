#include "serial/engine/trace/SioClock.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(SioClockTest, MillisecondsNeverGoBack) {
    std::uint32_t previous = SioMilliseconds();
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t now = SioMilliseconds();
        EXPECT_LT(static_cast<std::uint32_t>(now - previous), 1'000'000u);
        previous = now;
    }
}

TEST(SioOsDescriptionTest, ComposedFromItsParts) {
    const struct {
        std::string Pretty;
        std::string System;
        std::string Release;
        std::string Build;
        std::string Expected;
    } cases[] = {
        {"Debian GNU/Linux 12 (bookworm)", "Linux", "6.1.0-18-amd64", "#1 SMP Debian",
         "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64 #1 SMP Debian"},
        {"", "Linux", "6.1.0", "#1", "Linux 6.1.0 #1"},
        {"Debian", "", "", "", "Debian"},
        {"", "", "", "", ""},
        {"Distro", "Linux", "", "#7", "Distro, Linux #7"},
        {"D", "Linux", "1", std::string(100, 'b'), "D, Linux 1 " + std::string(69, 'b')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComposeOsDescription(c.Pretty, c.System, c.Release, c.Build), c.Expected);
    }
}

TEST(SioOsDescriptionTest, PrettyNameFromOsRelease) {
    const struct {
        const char* Text;
        const char* Expected;
    } cases[] = {
        {"NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME='Single quoted'", "Single quoted"},
        {"PRETTY_NAME=Bare", "Bare"},
        {"NAME=Only\nID=x\n", ""},
        {"", ""},
        {"XPRETTY_NAME=\"No\"\n", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OsReleasePrettyName(c.Text), c.Expected) << c.Text;
    }
}

TEST(SioOsDescriptionTest, ThisSystemIsDescribedWithinTheLimit) {
    const std::string description = SioOsDescription();
    EXPECT_FALSE(description.empty());
    EXPECT_LE(description.size(), SioOsDescriptionLimit);
}

} // namespace
