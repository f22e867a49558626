#include "framework/ErrorReport.h"

#include "GuiTestSupport.h"
#include "runtime/StrToInt.h"
#include "serial/engine/errors/SioExceptions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

struct TTitleCase {
    const char* Path;
    const char* Title;
};

TEST(ApplicationTitle, FileNameWithoutFolderAndExtensionCapitalised) {
    const TTitleCase cases[] = {
        {"/usr/bin/quorvane", "Quorvane"},
        {"/opt/QUORVANE.EXE", "Quorvane"},
        {"quorvane_tests", "Quorvane_tests"},
        {"/a/b/tool.v2.bin", "Tool.v2"},
        {"", ""},
    };
    for (const TTitleCase& c : cases)
        EXPECT_EQ(ApplicationTitleFromPath(c.Path), c.Title) << c.Path;
}

struct TMessageCase {
    const char* Message;
    const char* Shown;
};

TEST(ErrorReportMessage, FullStopOnlyAfterCharactersSortingAfterIt) {
    const TMessageCase cases[] = {
        {"Buffer is empty", "Buffer is empty."},
        {"Done.", "Done."},
        {"Really?", "Really?."},
        {"ie_Open - device already open", "ie_Open - device already open."},
        {"Value 7", "Value 7."},
        {"Ends with dash -", "Ends with dash -"},
        {"Ends with space ", "Ends with space "},
        {"Ends with comma,", "Ends with comma,"},
        {"", ""},
    };
    for (const TMessageCase& c : cases)
        EXPECT_EQ(ErrorReportMessage(c.Message), c.Shown) << c.Message;
}

TEST(ErrorReport, CaptureReceivesTitleAndMessageAndNests) {
    std::vector<std::string> outer;
    std::vector<std::string> inner;
    TErrorReportCapture outerCapture(
        [&](const std::string&, const std::string& text) { outer.push_back(text); });
    {
        TErrorReportCapture innerCapture([&](const std::string& title, const std::string& text) {
            EXPECT_EQ(title, ApplicationTitle());
            inner.push_back(text);
        });
        ShowErrorReport(EBufferIsEmpty(ecBufferIsEmpty));
    }
    ShowErrorReport("second");
    EXPECT_EQ(inner, std::vector<std::string>{"Buffer is empty."});
    EXPECT_EQ(outer, std::vector<std::string>{"second."});
}

TEST(ErrorReport, GuardReportsWhatEscapesAndGoesOn) {
    std::vector<std::string> reports;
    TErrorReportCapture capture(
        [&](const std::string&, const std::string& text) { reports.push_back(text); });
    EXPECT_TRUE(RunReportingErrors([] {}));
    EXPECT_FALSE(RunReportingErrors([] { throw std::runtime_error("plain failure"); }));
    EXPECT_FALSE(RunReportingErrors([] { throw 42; }));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "plain failure.");
    EXPECT_EQ(reports[1], "Unknown exception.");
}

TEST(ErrorReport, ShowsCriticalBoxWithOneOkButtonAndReturnsWhenClosed) {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    TModalDriver driver([&](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    ShowErrorReport(ENoPortSelected(ecNoPortSelected));
    EXPECT_TRUE(driver.Ran());
    EXPECT_EQ(title.toStdString(), ApplicationTitle());
    EXPECT_EQ(text.toStdString(), "The ComNumber property of the TSioComPort has not been set.");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
}

TEST(ErrorReport, ReportWhileABoxIsOpenOpensNoSecondBox) {
    int boxesWhileOpen = 0;
    TModalDriver driver([&](QWidget& modal) {
        // A timer tick inside the open box fails again.
        ShowErrorReport("second");
        for (QWidget* widget : QApplication::topLevelWidgets())
            boxesWhileOpen += qobject_cast<QMessageBox*>(widget) && widget->isVisible() ? 1 : 0;
        qobject_cast<QMessageBox*>(&modal)->button(QMessageBox::Ok)->click();
    });
    ShowErrorReport("first");
    EXPECT_TRUE(driver.Ran());
    EXPECT_EQ(boxesWhileOpen, 1);
}

struct TIntegerCase {
    const char* Text;
    bool Valid;
    std::int32_t Value;
};

TEST(StrToInt, DecimalTextsConvertOthersRaiseConversionError) {
    const TIntegerCase cases[] = {
        {"12", true, 12},
        {"1", true, 1},
        {"-7", true, -7},
        {"+50", true, 50},
        {"2147483647", true, 2147483647},
        {"", false, 0},
        {"COM1", false, 0},
        {"12a", false, 0},
        {" 5", false, 0},
        {"+", false, 0},
        {"+-5", false, 0},
        {"2147483648", false, 0},
    };
    for (const TIntegerCase& c : cases) {
        if (c.Valid) {
            EXPECT_EQ(StrToInt(c.Text), c.Value) << c.Text;
            continue;
        }
        try {
            StrToInt(c.Text);
            ADD_FAILURE() << "no error for '" << c.Text << "'";
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(),
                      "'" + std::string(c.Text) + "' is not a valid integer value");
        }
    }
}

} // namespace
