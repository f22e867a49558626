#pragma once
// The fixture of the component tests: a temporary COM folder with pseudo-terminal ports, the
// component with the main window's form settings, captured error reports and a recorder of the
// data-available notifications.

#include "GuiTestSupport.h"
#include "VirtualComPort.h"
#include "framework/ErrorReport.h"
#include "serial/component/SioComPort.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <termios.h>
#include <vector>

class ComPortTest : public testing::Test {
protected:
    ComPortTest();

    // Creates the pseudo-terminal linked as COM<n>.
    TVirtualComPort& AddPort(unsigned n);
    // The terminal end's current line settings.
    static termios TerminalSettings(const TVirtualComPort& port);
    // The form settings of the main window: Baud 1200, TraceName, LogName.
    static void ApplyFormSettings(TSioCustomComPort& port);
    // Records every notification's Count and reads `ReadPerNotification` bytes (all when < 0).
    void RecordNotifications();
    // Waits for the n-th notification; true when it came.
    bool WaitForNotifications(std::size_t n);

    TVirtualComDir Dir;
    std::map<unsigned, std::unique_ptr<TVirtualComPort>> Ports;
    std::vector<std::string> Reports;
    TErrorReportCapture Capture;
    std::vector<std::uint16_t> Counts;
    std::string ReadBytes;
    int ReadPerNotification = -1;
    TSioComPort Port;
};

// Opens COM<n> through a second component, proving the port is free (or raising when it is not).
void OpenWithOtherComponent(std::uint16_t n);
