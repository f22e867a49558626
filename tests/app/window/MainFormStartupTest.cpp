// Start-up: the port list from the probe, the port switch, the fallback to the port selection
// dialog, a start-up that goes on when the operator cancels it, and polling that waits for a
// port instead of asking for one.

#include "MainFormFixture.h"
#include "app/window/Controls.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <sys/file.h>
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
    EXPECT_EQ(Reports.size(), 3u) << "\"C\", \"CO\" and \"COM\" name no port";
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

TEST_F(MainFormStartupTest, PortEntryWithoutNumberIsReportedAndLeavesThePortClosed) {
    AddPort(1);
    CreateForm();
    Form->ComboBox3->setEditText(QStringLiteral("COMx"));
    emit Form->ComboBox3->activated(0);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0], "'x' is not a valid integer value.");
    EXPECT_FALSE(Form->SioComPort1->Open());
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

} // namespace
