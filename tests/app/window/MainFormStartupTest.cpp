// Start-up: the port list from the probe, the port switch, the fallback to the port selection
// dialog, a start-up that goes on when the operator cancels it, and polling that waits for a
// port instead of asking for one.

#include "MainFormFixture.h"
#include "app/window/Controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <stdexcept>
#include <sys/wait.h>
#include <fcntl.h>
#include <sys/file.h>
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

TEST_F(MainFormStartupTest, PortEntryWithoutNumberIsRefusedAndLeavesThePortOpen) {
    AddPort(1);
    WriteCodeList("1234A\n");
    CreateForm();
    Form->ComboBox3->setEditText(QStringLiteral("COMx"));
    emit Form->ComboBox3->activated(0);
    EXPECT_EQ(Modals.Messages, std::vector<QString>{"\"COMx\" ist keine verfügbare Schnittstelle"});
    EXPECT_TRUE(Reports.empty());
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_EQ(Form->ComboBox3->currentText(), "COM1") << "the selector shows the port in use";
}

struct TPortTextCase {
    const char* Typed;
    bool LeaveByTab; // otherwise Enter
    unsigned Port;   // open afterwards
    bool Refused;
};

void PrintTo(const TPortTextCase& c, std::ostream* os) {
    *os << c.Typed << (c.LeaveByTab ? " and leave" : " and Enter");
}

class MainFormPortTextTest : public TMainFormTest,
                             public testing::WithParamInterface<TPortTextCase> {};

// Typing edits the selector only; Enter or leaving it confirms the text.
TEST_P(MainFormPortTextTest, TypingSwitchesNothingUntilConfirmed) {
    const TPortTextCase& c = GetParam();
    AddPort(2);
    AddPort(3);
    AddPort(12);
    WriteCodeList("1234A\n");
    CreateForm();
    QLineEdit& text = *Form->ComboBox3->lineEdit();
    text.selectAll();
    QTest::keyClicks(&text, c.Typed);
    EXPECT_EQ(Form->SioComPort1->ComNumber(), 2) << "while typing";
    EXPECT_TRUE(Modals.Messages.empty());
    if (c.LeaveByTab) {
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&text, &leave);
    } else {
        QTest::keyClick(&text, Qt::Key_Return);
    }
    EXPECT_EQ(Form->SioComPort1->ComNumber(), c.Port);
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_EQ(Form->ComboBox3->currentText(), "COM" + QString::number(c.Port));
    const std::vector<QString> refusal{"\"" + QString::fromUtf8(c.Typed) +
                                       "\" ist keine verfügbare Schnittstelle"};
    EXPECT_EQ(Modals.Messages, c.Refused ? refusal : std::vector<QString>{});
    EXPECT_TRUE(Reports.empty());
    EXPECT_TRUE(Modals.Dialogs.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MainFormPortTextTest,
    testing::Values(TPortTextCase{"COM12", false, 12, false},
                    TPortTextCase{"COM3", true, 3, false}, TPortTextCase{"COM2", false, 2, false},
                    TPortTextCase{"COM7", false, 2, true}, TPortTextCase{"COM1", true, 2, true},
                    TPortTextCase{"CO", false, 2, true}, TPortTextCase{"COM51", false, 2, true}));

TEST_F(MainFormStartupTest, PortListIsProbedAgainWhenItOpens) {
    AddPort(2);
    TVirtualComPort& port5 = AddPort(5);
    CreateForm();
    TVirtualComPort& port3 = AddPort(3);
    Form->ComboBox3->showPopup();
    EXPECT_EQ(Items(*Form->ComboBox3), (QStringList{"COM2", "COM3", "COM5"}));
    Form->ComboBox3->hidePopup();
    port5.Unplug();
    ChooseItem(*Form->ComboBox3, 1);
    ASSERT_EQ(Form->SioComPort1->ComNumber(), 3);
    Form->ComboBox3->showPopup();
    Form->ComboBox3->hidePopup();
    EXPECT_EQ(Items(*Form->ComboBox3), (QStringList{"COM2", "COM3"}));
    EXPECT_EQ(Form->ComboBox3->currentText(), "COM3") << "the selection stays";
    port3.Drain();
    EXPECT_EQ(AwaitBytes(port3, 2), Poll);
    EXPECT_TRUE(Reports.empty());
}

// Holds a port's exclusive lock in a child process until Release.
class TLockingProcess {
public:
    explicit TLockingProcess(const std::string& path) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(Release_) != 0)
            throw std::runtime_error("pipe");
        Pid_ = fork();
        if (Pid_ == 0) {
            const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
            const char locked = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
            if (write(ready[1], &locked, 1) != 1)
                _exit(1);
            char done = 0;
            _exit(read(Release_[0], &done, 1) == 1 ? 0 : 1);
        }
        close(ready[1]);
        char locked = 'n';
        Locked_ = read(ready[0], &locked, 1) == 1 && locked == 'y';
        close(ready[0]);
    }
    ~TLockingProcess() { Release(); }
    TLockingProcess(const TLockingProcess&) = delete;
    TLockingProcess& operator=(const TLockingProcess&) = delete;

    bool Locked() const { return Locked_; }
    void Release() {
        if (Pid_ <= 0)
            return;
        const char done = 'x';
        if (write(Release_[1], &done, 1) != 1)
            kill(Pid_, SIGKILL);
        waitpid(Pid_, nullptr, 0);
        close(Release_[0]);
        close(Release_[1]);
        Pid_ = -1;
    }

private:
    pid_t Pid_ = -1;
    int Release_[2] = {-1, -1};
    bool Locked_ = false;
};

TEST_F(MainFormStartupTest, BusyChosenPortIsReportedOnceThenPolledQuietlyUntilFree) {
    AddPort(1);
    TVirtualComPort& port2 = AddPort(2);
    CreateForm();
    StopTimers();
    TLockingProcess holder(port2.LinkPath());
    ASSERT_TRUE(holder.Locked());
    Modals.AcceptDialogs = true;
    Modals.DialogItem = 1; // COM2 again in the port dialog
    ChooseItem(*Form->ComboBox3, 1);
    EXPECT_EQ(Modals.Dialogs.size(), 1u);
    EXPECT_EQ(Reports.size(), 1u) << "the busy port is reported once";
    EXPECT_FALSE(Form->SioComPort1->Open());
    EXPECT_EQ(Form->SioComPort1->ComNumber(), 2);
    for (int tick = 0; tick < 5; ++tick)
        Form->Timer1Timer();
    EXPECT_EQ(Reports.size(), 1u) << "polls retry quietly";
    EXPECT_EQ(Modals.Dialogs.size(), 1u);
    EXPECT_FALSE(Form->SioComPort1->Open());

    holder.Release();
    port2.Drain();
    Form->Timer1Timer();
    EXPECT_TRUE(Form->SioComPort1->Open());
    EXPECT_EQ(AwaitBytes(port2, 2), Poll) << "polling starts once the port is free";
    EXPECT_EQ(Reports.size(), 1u);
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
