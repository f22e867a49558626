// The fixed code list: loading "Tonfolgen.txt", and passes through it driven tick by tick,
// gated by the encoder's ACK and NAK.

#include "MainFormFixture.h"
#include "app/window/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

using namespace std::chrono_literals;

std::string Fixed(const std::string& body) {
    return "\x02" + body + "\x03";
}

class MainFormFixedCodesTest : public TMainFormTest {
protected:
    void StartWith(const std::string& codeList) {
        Line = &AddPort(1);
        WriteCodeList(codeList);
        CreateForm();
        StopTimers();
        Form->SioComPort1->SetOnTriggerAvail([this](TSioCustomComPort& CP, std::uint16_t Count) {
            Form->SioComPort1TriggerAvail(CP, Count);
            Handled += Count;
        });
        Form->CheckBox1->click(); // fixed codes
        Line->Drain();
    }

    void Reply(const std::string& bytes) {
        const std::size_t target = Handled + bytes.size();
        ASSERT_TRUE(Line->Write(bytes));
        ASSERT_TRUE(WaitUntil([&] { return Handled >= target; }));
    }

    // Presses "Auslösen" and takes over the sequencing timer's ticks.
    void Trigger() {
        QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
        ASSERT_TRUE(Form->Timer2->isActive());
        Form->Timer2->stop();
    }

    // One tick, and what it put on the line ("" when it sent nothing).
    std::string Tick(std::size_t expectedBytes) {
        Form->Timer2Timer();
        return expectedBytes == 0 ? Line->ReadAvailable(100ms) : Line->Read(expectedBytes, 5s);
    }

    TVirtualComPort* Line = nullptr;
    std::size_t Handled = 0;
};

TEST_F(MainFormFixedCodesTest, ThreeLinesSentInOrderThenStop) {
    StartWith("1234A\r\n56789\r\n00000\r\n");
    Reply("\x06");
    Trigger();
    EXPECT_EQ(Tick(7), Fixed("1234A"));
    EXPECT_EQ(Form->Panel5->Caption(), "1");
    EXPECT_EQ(Form->ComboBox2->currentIndex(), 1);
    EXPECT_EQ(Tick(7), Fixed("56789"));
    EXPECT_EQ(Form->Panel5->Caption(), "2");
    Form->Timer2->start(); // the last tick of a pass switches the running timer off
    EXPECT_EQ(Tick(7), Fixed("00000"));
    EXPECT_EQ(Form->Panel5->Caption(), "3");
    EXPECT_FALSE(Form->Timer2->isActive());
    EXPECT_EQ(Form->ComboBox2->currentIndex(), 0);
    EXPECT_TRUE(Form->Timer1->isActive()) << "polling is switched on at the end of a pass";
    EXPECT_TRUE(Reports.empty());
}

TEST_F(MainFormFixedCodesTest, StartsFromTheSelectedEntry) {
    StartWith("1234A\r\n56789\r\n00000\r\n");
    Reply("\x06");
    ChooseItem(*Form->ComboBox2, 1);
    Trigger();
    EXPECT_EQ(Tick(7), Fixed("56789"));
    EXPECT_EQ(Tick(7), Fixed("00000"));
    EXPECT_EQ(Form->FixedSendCount, 2);
    EXPECT_EQ(Form->ComboBox2->currentIndex(), 0);
}

TEST_F(MainFormFixedCodesTest, ContinuousSendingStartsOver) {
    StartWith("1234A\r\n56789\r\n00000\r\n");
    Form->CheckBox2->click();
    Reply("\x06");
    Trigger();
    Form->Timer2->start();
    Tick(7);
    Tick(7);
    Tick(7);
    EXPECT_TRUE(Form->Timer2->isActive()) << "Daueraussendung keeps the timer on";
    EXPECT_EQ(Tick(7), Fixed("1234A"));
    EXPECT_EQ(Form->Panel5->Caption(), "4");
    Form->CheckBox2->click(); // unchecked: the running pass ends at the end of the list
    Tick(7);
    EXPECT_TRUE(Form->Timer2->isActive());
    Tick(7);
    EXPECT_FALSE(Form->Timer2->isActive());
}

TEST_F(MainFormFixedCodesTest, NakHoldsTheSequenceUntilTheNextAck) {
    StartWith("1234A\r\n56789\r\n00000\r\n");
    EXPECT_EQ(Tick(0), "") << "the gate starts closed";
    Reply("\x06");
    Trigger();
    Tick(7);
    Tick(7);
    Reply("\x15");
    EXPECT_EQ(Tick(0), "");
    EXPECT_EQ(Tick(0), "");
    EXPECT_EQ(Form->FixedSendCount, 2);
    EXPECT_EQ(Form->ComboBox2->currentIndex(), 2);
    Reply("\x16");
    EXPECT_EQ(Tick(0), "") << "only an ACK opens the gate";
    Reply("\x06");
    EXPECT_EQ(Tick(7), Fixed("00000"));
    EXPECT_EQ(Form->Panel5->Caption(), "3");
}

// "Auslösen" during a pass, or going back to fixed codes with a pass left running, stops it.
TEST_F(MainFormFixedCodesTest, TriggerDuringAPassStopsIt) {
    StartWith("1234A\r\n56789\r\n00000\r\n");
    Reply("\x06");
    QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
    Tick(7);
    Tick(7);
    QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(Form->FixedSendCount, 0);
    EXPECT_FALSE(Form->Timer2->isActive());
    EXPECT_EQ(Form->ComboBox2->currentIndex(), 2) << "the next press goes on from here";
    QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
    Form->CheckBox1->click(); // free input: the pass goes on in the background
    EXPECT_TRUE(Form->Timer2->isActive());
    Form->CheckBox1->click();
    EXPECT_FALSE(Form->Timer2->isActive());
}

// A code longer than the output buffer can never go out: the pass ends there, said once.
TEST_F(MainFormFixedCodesTest, UnsendableCodeEndsThePassOnce) {
    StartWith("1234A\r\n" + std::string(5000, '7') + "\r\n00000\r\n");
    Form->CheckBox2->click();
    Reply("\x06");
    Trigger();
    Form->Timer2->start();
    Tick(7);
    EXPECT_EQ(Tick(0), "");
    EXPECT_FALSE(Form->Timer2->isActive());
    EXPECT_EQ(Modals.Messages, std::vector<QString>{"Die Kodierung in Zeile 2 ist zu lang zum "
                                                    "Senden (5002 Bytes, höchstens 4096). Die "
                                                    "Aussendung ist beendet."});
    EXPECT_TRUE(Reports.empty());
}

// Unplugged during a pass, the count stands still; back and answering, the next code goes.
TEST_F(MainFormFixedCodesTest, PassWaitsWhileTheEncoderIsAway) {
    StartWith("1234A\r\n56789\r\n");
    Reply("\x06");
    Trigger();
    Tick(7);
    Line->Unplug();
    ASSERT_TRUE(WaitUntil([this] { return !Form->SioComPort1->DeviceAttached(); }));
    Form->Timer2Timer();
    EXPECT_EQ(Form->FixedSendCount, 1);
    Line->Replug();
    ASSERT_TRUE(WaitUntil([this] { return Form->SioComPort1->DeviceAttached(); }));
    for (int tick = 0; tick < 6; ++tick)
        Form->Timer3Timer();
    EXPECT_EQ(Tick(0), "") << "the encoder has not answered yet: the link counts as lost";
    Reply("\x06");
    Form->Timer3Timer();
    EXPECT_EQ(Tick(7), Fixed("56789"));
    EXPECT_EQ(Form->FixedSendCount, 2);
}

TEST_F(MainFormFixedCodesTest, FreeInputTriggerResetsTheCountButNotThePanel) {
    StartWith("1234A\r\n");
    Reply("\x06");
    Trigger();
    Tick(7);
    Form->CheckBox1->click(); // free input
    QTest::keyClicks(Form->Edit1, "12345");
    QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(Form->FixedSendCount, 0);
    EXPECT_EQ(Form->Panel5->Caption(), "1");
}

TEST_F(MainFormFixedCodesTest, EntriesGoOutByteForByte) {
    StartWith("1234a\n12 34 \n\xE4\xFF\n");
    Reply("\x06");
    Trigger();
    EXPECT_EQ(Tick(7), Fixed("1234a"));
    EXPECT_EQ(Tick(8), Fixed("12 34 "));
    EXPECT_EQ(Form->ComboBox2->currentText(), QString::fromUtf8("äÿ"));
    EXPECT_EQ(Tick(4), Fixed("\xE4\xFF"));
}

TEST_F(MainFormFixedCodesTest, EmptyListSendsTheBoxTextAndEndsThePass) {
    StartWith("");
    EXPECT_EQ(Form->ComboBox2->count(), 0);
    Reply("\x06");
    Trigger();
    Form->Timer2->start();
    EXPECT_EQ(Tick(2), Fixed(""));
    EXPECT_FALSE(Form->Timer2->isActive());
}

TEST_F(MainFormFixedCodesTest, TypedBoxTextIsSentAndThePassGoesToTheFirstEntry) {
    StartWith("1234A\r\n56789\r\n");
    Reply("\x06");
    Form->ComboBox2->setEditText(QStringLiteral("99999"));
    Trigger();
    EXPECT_EQ(Tick(7), Fixed("99999"));
    EXPECT_EQ(Form->ComboBox2->currentIndex(), 0);
    EXPECT_EQ(Tick(7), Fixed("1234A"));
}

using MainFormCodeListFileTest = TMainFormTest;

TEST_F(MainFormCodeListFileTest, MissingFileGivesTheMessageOnceAndTheStoredEntries) {
    TVirtualComPort& line = AddPort(1);
    CreateForm();
    ASSERT_EQ(Modals.Messages.size(), 1u);
    EXPECT_EQ(Modals.Messages[0], "Datei \"Tonfolgen.txt\" nicht gefunden");
    EXPECT_TRUE(Reports.empty());
    ASSERT_EQ(Form->ComboBox2->count(), 11);
    EXPECT_EQ(Form->ComboBox2->itemText(0), "@62380@");
    EXPECT_EQ(Form->ComboBox2->itemText(10), "@62390@");
    EXPECT_EQ(Form->ComboBox2->currentIndex(), 0);

    StopTimers();
    Form->CheckBox1->click();
    Form->LastReplyWasAck = true;
    line.Drain();
    QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
    Form->Timer2Timer();
    EXPECT_EQ(line.Read(9, 5s), "\x02@62380@\x03");
    EXPECT_EQ(Modals.Messages.size(), 1u);
}

} // namespace
