// Start-up: the port list from the probe, the port switch, the fallback to the port selection
// dialog, a start-up that goes on when the operator cancels it, and polling that waits for a
// port instead of asking for one.

#include "MainFormFixture.h"
#include "app/main/TerminationSignals.h"
#include "app/window/Controls.h"
#include "app/window/WindowRules.h"
#include "serial/component/ComSelectForm.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "tests/component/LineHandOver.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

const std::string Poll("\x11\x05", 2);

QStringList Items(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

using MainFormStartupTest = TMainFormTest;

// The dialog's conversion error and the port entry's are one class, so one handler catches both.
TEST_F(MainFormStartupTest, DialogAndPortEntryRaiseTheOneConversionError) {
    const auto caught = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const EConvertError& error) {
            return std::string(error.what());
        }
        return std::string("nothing caught");
    };
    TComSelectForm dialog; // no port exists: an empty list
    EXPECT_EQ(caught([&dialog] { dialog.SelectedComNumber(); }), "'' is not a valid integer value");
    EXPECT_EQ(caught([] { PortNumberFromEntry("COMx"); }), "'x' is not a valid integer value");
}

TEST_F(MainFormStartupTest, ListsProbedPortsAndOpensTheFirst) {
    TVirtualComPort& port3 = AddPort(3);
    AddPort(12);
    CreateForm();
    EXPECT_EQ(Items(*Form->ComboBox3), (QStringList{"COM3", "COM12"}));
    EXPECT_EQ(Form->ComboBox3->currentText(), "COM3");
    EXPECT_EQ(Form->SioComPort1->ComNumber(), 3);
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_TRUE(Modals.Dialogs.empty());
    EXPECT_TRUE(Reports.empty());
    EXPECT_EQ(AwaitBytes(port3, 2), Poll) << "polling starts on the opened port";
}

TEST_F(MainFormStartupTest, ChoosingTheSecondEntryOpensPortTwelve) {
    AddPort(3);
    TVirtualComPort& port12 = AddPort(12);
    CreateForm();
    ChooseItem(*Form->ComboBox3, 1);
    EXPECT_EQ(Form->SioComPort1->ComNumber(), 12);
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_TRUE(Reports.empty());
    EXPECT_EQ(AwaitBytes(port12, 2), Poll);
}

TEST_F(MainFormStartupTest, NoPortAsksDuringStartUpAndStartUpGoesOnAfterCancel) {
    WriteCodeList("1234A\n");
    CreateForm();
    ASSERT_EQ(Modals.Dialogs.size(), 1u) << "the port selection dialog during start-up";
    EXPECT_TRUE(Form->ComboBox3->count() == 0);
    EXPECT_EQ(Reports.size(), 1u) << "the cancelled selection is reported once";
    EXPECT_FALSE(Form->SioComPort1->Open());
    // The rest of the start-up has run all the same.
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_EQ(Form->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(Form->ComboBox2->currentText(), "1234A");
    EXPECT_FALSE(Form->RadioGroup1->isHidden());
    EXPECT_TRUE(Form->RadioGroup4->isHidden());
    EXPECT_FALSE(Form->CheckBox2->isEnabled());
    EXPECT_FALSE(Form->ComboBox2->isEnabled());
    EXPECT_TRUE(Form->Edit1->isEnabled());
}

TEST_F(MainFormStartupTest, BusyFirstPortFallsBackToTheDialog) {
    TVirtualComPort& port4 = AddPort(4);
    TVirtualComPort& port7 = AddPort(7);
    // Another program holds port 4 the way this program's own opens do: by the exclusive lock.
    const int holder = open(port4.LinkPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    Modals.AcceptDialogs = true;
    Modals.DialogItem = 1;
    CreateForm();
    close(holder);
    EXPECT_EQ(Items(*Form->ComboBox3), (QStringList{"COM4", "COM7"}));
    EXPECT_EQ(Modals.Dialogs.size(), 1u);
    EXPECT_TRUE(Reports.empty());
    EXPECT_EQ(Form->SioComPort1->ComNumber(), 7);
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_EQ(AwaitBytes(port7, 2), Poll);
}

TEST_F(MainFormStartupTest, PollingWaitsForAPortAndResumesOnceOneIsPicked) {
    CreateForm();
    ASSERT_EQ(Modals.Dialogs.size(), 1u);
    Reports.clear();
    StopTimers();
    for (int tick = 0; tick < 3; ++tick)
        Form->Timer1Timer();
    EXPECT_EQ(Modals.Dialogs.size(), 1u) << "a poll never asks for a port";
    EXPECT_TRUE(Reports.empty());
    EXPECT_FALSE(Form->SioComPort1->Open());

    TVirtualComPort& port5 = AddPort(5);
    Form->Timer1->start();
    QTest::keyClicks(Form->ComboBox3->lineEdit(), "COM5");
    EXPECT_TRUE(Reports.empty()) << "typing switches nothing";
    EXPECT_FALSE(Form->SioComPort1->Open());
    QTest::keyClick(Form->ComboBox3->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(Reports.empty());
    EXPECT_EQ(Form->SioComPort1->ComNumber(), 5);
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_EQ(AwaitBytes(port5, 2), Poll) << "polling has resumed by itself";
}

TEST_F(MainFormStartupTest, PollOnAClosedPortWithANumberReopensIt) {
    TVirtualComPort& port2 = AddPort(2);
    CreateForm();
    StopTimers();
    Form->SioComPort1->SetOpen(false);
    ASSERT_TRUE(WaitUntil([this] { return Form->SioComPort1->LinkState() == lsClosed; }));
    port2.Drain();
    Form->Timer1Timer();
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_EQ(AwaitBytes(port2, 2), Poll);
}

// A confirmed text that names no port (picked, Enter, or leaving the selector) is refused once,
// and the port in use stays open and shown.
TEST_F(MainFormStartupTest, PortEntryWithoutNumberIsRefusedAndLeavesThePortOpen) {
    AddPort(1);
    WriteCodeList("1234A\n");
    CreateForm();
    QLineEdit& text = *Form->ComboBox3->lineEdit();
    Form->ComboBox3->setEditText(QStringLiteral("COMx"));
    emit Form->ComboBox3->activated(0);
    text.setText(QStringLiteral("COM7"));
    QTest::keyClick(&text, Qt::Key_Enter);
    text.setText(QStringLiteral("COM51"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&text, &leave);
    EXPECT_EQ(Modals.Messages,
              (std::vector<QString>{"\"COMx\" ist keine verfügbare Schnittstelle",
                                    "\"COM7\" ist keine verfügbare Schnittstelle",
                                    "\"COM51\" ist keine verfügbare Schnittstelle"}));
    EXPECT_TRUE(Reports.empty());
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_EQ(Form->ComboBox3->currentText(), "COM1");
}

TEST_F(MainFormStartupTest, SwitchToABusyPortFallsBackToTheDialog) {
    TVirtualComPort& port3 = AddPort(3);
    TVirtualComPort& port12 = AddPort(12);
    CreateForm();
    const int holder = open(port12.LinkPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    Modals.AcceptDialogs = true;
    Modals.DialogItem = 0;
    // An answer of the encoder waits for the window's thread as the operator switches.
    const TTriggerAvailEvent handler = Form->SioComPort1->OnTriggerAvail();
    ASSERT_TRUE(HandLineToWorker(*Form->SioComPort1, [&] { return port3.Write("\x15"); }));
    Form->SioComPort1->SetOnTriggerAvail(handler);
    ASSERT_TRUE(port3.Write("\x06"));
    for (int i = 0; i < 1000 && !Form->SioComPort1->Dispatcher()->Dispatching(); ++i)
        std::this_thread::sleep_for(5ms);
    ChooseItem(*Form->ComboBox3, 1);
    close(holder);
    EXPECT_EQ(Modals.Dialogs.size(), 1u);
    EXPECT_TRUE(Reports.empty());
    EXPECT_EQ(Form->SioComPort1->ComNumber(), 3);
    EXPECT_TRUE(Form->SioComPort1->Open());
    port3.Drain();
    EXPECT_EQ(AwaitBytes(port3, 2), Poll);
}

TEST_F(MainFormStartupTest, ClosingTheWindowWithTicksDueReachesNoHandler) {
    AddPort(1);
    CreateForm();
    for (QTimer* timer : {Form->Timer1, Form->Timer2, Form->Timer3})
        timer->start(0);
    Form.reset();
    EXPECT_TRUE(Reports.empty());
}

TEST_F(MainFormStartupTest, PortListIsProbedAgainWhenItOpens) {
    AddPort(2);
    TVirtualComPort& port5 = AddPort(5);
    CreateForm();
    AddPort(3);
    Form->ComboBox3->showPopup();
    EXPECT_EQ(Items(*Form->ComboBox3), (QStringList{"COM2", "COM3", "COM5"}));
    port5.Unplug();
    Form->ComboBox3->showPopup();
    EXPECT_EQ(Items(*Form->ComboBox3), (QStringList{"COM2", "COM3"}));
    EXPECT_EQ(Form->ComboBox3->currentText(), "COM2") << "the selection stays";
}

TEST_F(MainFormStartupTest, BusyChosenPortIsReportedOnceThenPolledQuietlyUntilFree) {
    AddPort(1);
    TVirtualComPort& port2 = AddPort(2);
    CreateForm();
    StopTimers();
    // Another process holds the port's lock until the pipe closes.
    int release[2];
    ASSERT_EQ(pipe(release), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        close(release[1]);
        flock(open(port2.LinkPath().c_str(), O_RDWR | O_NOCTTY), LOCK_EX);
        char byte;
        _exit(static_cast<int>(read(release[0], &byte, 1)));
    }
    close(release[0]);
    ASSERT_TRUE(WaitUntil([&] {
        const int fd = open(port2.LinkPath().c_str(), O_RDWR | O_NOCTTY);
        const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0;
        close(fd);
        return locked;
    }));
    Modals.AcceptDialogs = true;
    Modals.DialogItem = 1; // COM2 again in the port dialog
    ChooseItem(*Form->ComboBox3, 1);
    for (int tick = 0; tick < 5; ++tick)
        Form->Timer1Timer();
    EXPECT_EQ(Modals.Dialogs.size(), 1u);
    EXPECT_EQ(Reports.size(), 1u) << "reported once, then polls retry quietly";
    EXPECT_FALSE(Form->SioComPort1->Open());

    close(release[1]);
    waitpid(holder, nullptr, 0);
    Form->Timer1Timer();
    EXPECT_EQ(AwaitBytes(port2, 2), Poll) << "polling starts once the port is free";
    EXPECT_EQ(Reports.size(), 1u);
}

// The first ending signal gives the default actions back before the window's thread has seen
// it, so a second one ends a window that never returns to its event loop.
TEST(TerminationSignals, TheFirstSignalGivesTheDefaultsBackAtOnce) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        TTerminationSignals ending;
        ASSERT_EQ(raise(signal), 0);
        EXPECT_FALSE(ending.Requested()) << "the window's thread has not run";
        for (const int other : {SIGTERM, SIGINT, SIGHUP}) {
            struct sigaction action {};
            sigaction(other, nullptr, &action);
            EXPECT_EQ(action.sa_handler, SIG_DFL) << strsignal(signal) << ", then " << other;
        }
    }
}

} // namespace
