#pragma once
// Test bench for the main window: virtual ports in a temporary QUORVANE_COM_DIR, a temporary
// working folder (where "Tonfolgen.txt" is looked for), captured error reports, and a watcher
// that answers every modal box or dialog the window opens, recording what it saw.
//
// The form is made by CreateForm once the test has set up ports and files, because its
// creation is the start-up. GUI thread only.

#include "app/window/MainForm.h"
#include "framework/ErrorReport.h"
#include "tools/virtualport/VirtualComPort.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class QComboBox;

// Answers modal boxes and dialogs as soon as they are up, from inside their own event loop.
class TModalAnswerer : public QObject {
public:
    TModalAnswerer();

    // Dialogs other than message boxes are accepted (OK) or rejected (Cancel).
    bool AcceptDialogs = false;
    // Before accepting, the dialog's list is put on this item (when not -1).
    int DialogItem = -1;
    // Message boxes are answered with the button of this text, first to last, then accepted.
    std::vector<QString> Buttons;
    std::vector<QString> Messages; // texts of message boxes
    std::vector<QString> Dialogs;  // class names of other dialogs

private:
    void Answer();
    QTimer Poll_;
};

// The process's working folder moved into a fresh temporary folder for one test.
class TWorkingFolder {
public:
    TWorkingFolder();
    ~TWorkingFolder();
    TWorkingFolder(const TWorkingFolder&) = delete;
    TWorkingFolder& operator=(const TWorkingFolder&) = delete;

    void WriteFile(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path Previous_;
    std::filesystem::path Path_;
};

// Processes events until `condition` holds or `timeout` has passed; returns the condition.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Reads `count` bytes from the encoder's end of the line while the window's events (its timers
// above all) go on; returns what arrived within `timeout`.
std::string AwaitBytes(TVirtualComPort& port, std::size_t count,
                       std::chrono::milliseconds timeout = std::chrono::seconds(5));

// What an operator's choice from the list does: the item is selected and the box reports it.
void ChooseItem(QComboBox& box, int index);

class TMainFormTest : public testing::Test {
protected:
    TMainFormTest();
    ~TMainFormTest() override;

    TVirtualComPort& AddPort(unsigned comNumber);
    void WriteCodeList(const std::string& content) { Folder.WriteFile("Tonfolgen.txt", content); }
    TMainForm& CreateForm();
    // Stops the three timers, so that the test drives every tick itself.
    void StopTimers();

    TVirtualComDir Dir;
    std::vector<std::unique_ptr<TVirtualComPort>> Ports;
    TWorkingFolder Folder;
    std::vector<std::string> Reports;
    TErrorReportCapture Capture;
    TModalAnswerer Modals;
    std::unique_ptr<TMainForm> Form;
};
