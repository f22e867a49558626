// ErrorText: table rows, the system's texts for minus errno, and the clean-up of system texts.

#include "serial/engine/errors/SioErrorText.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(SioErrorTextTest, TableTextsByMagnitude) {
    EXPECT_EQ(ErrorText(0), "OK");
    EXPECT_EQ(ErrorText(2011), "The ComNumber property of the TSioComPort has not been set");
    EXPECT_EQ(ErrorText(-2011), ErrorText(2011));
    EXPECT_EQ(ErrorText(-1001), "Bad handle passed to com function");
    EXPECT_EQ(ErrorText(-3002), "Function not supported by driver");
    EXPECT_EQ(ErrorText(-5003), "Bad trigger handle");
    EXPECT_EQ(ErrorText(15502), "--------  --------  ------------  --------  ---------");
}

TEST(SioErrorTextTest, CodeIsTakenAsSixteenBits) {
    EXPECT_EQ(ErrorText(-2011 + 65536), ErrorText(-2011));
    EXPECT_EQ(ErrorText(-2011 - 65536), ErrorText(-2011));
    EXPECT_EQ(ErrorText(65536), "OK");
}

TEST(SioErrorTextTest, SystemErrorNumbersGiveTheSystemsText) {
    EXPECT_EQ(ErrorText(-5), "Input/output error");
    EXPECT_EQ(ErrorText(-2), "No such file or directory");
    EXPECT_EQ(ErrorText(-EACCES), "Permission denied");
    EXPECT_EQ(ErrorText(-31), CleanSystemText(std::strerror(31)));
    EXPECT_FALSE(ErrorText(-31).empty());
    // Numbers the system has no text for take the table's row.
    EXPECT_EQ(ErrorText(-150), "Disk is write-protected");
    EXPECT_EQ(ErrorText(-162), "General failure");
}

TEST(SioErrorTextTest, SystemTextsStayEnglishUnderAnotherLanguage) {
    const char* previousLanguage = std::getenv("LANGUAGE");
    const std::string savedLanguage = previousLanguage != nullptr ? previousLanguage : "";
    const std::string savedLocale = std::setlocale(LC_ALL, nullptr);
    setenv("LANGUAGE", "de", 1);
    std::setlocale(LC_ALL, "C.UTF-8");

    EXPECT_EQ(ErrorText(-5), "Input/output error");
    EXPECT_EQ(ErrorText(-1), "Operation not permitted");

    std::setlocale(LC_ALL, savedLocale.c_str());
    if (previousLanguage != nullptr) {
        setenv("LANGUAGE", savedLanguage.c_str(), 1);
    } else {
        unsetenv("LANGUAGE");
    }
}

TEST(SioErrorTextTest, OutOfMemoryKeepsTheLayersText) {
    EXPECT_EQ(ErrorText(-8), "Insufficient memory");
}

TEST(SioErrorTextTest, NoRowAndNoSystemTextGivesEmptyText) {
    EXPECT_EQ(ErrorText(-4009), "");
    EXPECT_EQ(ErrorText(-13849), "");
    EXPECT_EQ(SystemErrorText(4009), "");
}

TEST(SioErrorTextTest, NoRowFallsBackToTheSystemText) {
    EXPECT_EQ(ErrorText(-1), "Operation not permitted");
}

TEST(SioErrorTextTest, ResultsNeverExceed255Characters) {
    for (int code = -32768; code <= 32767; code += 7) {
        ASSERT_LE(ErrorText(code).size(), 255U) << code;
    }
}

TEST(SioErrorTextTest, CleanSystemTextMakesControlsSingleSpaces) {
    struct TCleanCase {
        std::string Raw;
        std::string Cleaned;
    };
    const TCleanCase cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"ends in a line break\r\n", "ends in a line break "},
        {"a\tb\nc", "a b c"},
        {"many    spaces", "many spaces"},
        {"  \r\n  lead", " lead"},
        {std::string("nul\0inside", 10), "nul inside"},
        {std::string(300, 'x'), std::string(255, 'x')},
        // Cut first, then cleaned: the break at 255 survives only as one space.
        {std::string(254, 'x') + "\r\nyz", std::string(254, 'x') + " "},
    };
    for (const TCleanCase& c : cases) {
        EXPECT_EQ(CleanSystemText(c.Raw), c.Cleaned) << c.Raw;
    }
}

} // namespace
