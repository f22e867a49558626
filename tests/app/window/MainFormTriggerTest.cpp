// "Auslösen" with a typed code: exactly the encoder type's telegram on the line, in one piece
// between two polls, and polling going on afterwards. The simulated encoder plays the far end.

#include "MainFormFixture.h"
#include "app/window/Controls.h"
#include "tools/encoder-sim/encoder/EncoderSimulator.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

using namespace std::chrono_literals;

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

struct TTriggerCase {
    const char* Name;
    int Type;
    const char* Code;
    int PreTone5, AlarmType, Tape, PreTone10;
    const char* Telegram; // hex
};

// Test names show the case, not its bytes.
void PrintTo(const TTriggerCase& c, std::ostream* os) {
    *os << c.Name;
}

class MainFormTriggerTest : public TMainFormTest,
                            public testing::WithParamInterface<TTriggerCase> {};

TEST_P(MainFormTriggerTest, PutsTheTelegramOnTheLineBetweenPolls) {
    const TTriggerCase& c = GetParam();
    TVirtualComPort& port = AddPort(1);
    EncoderSim::TEncoderSimulator encoder(port.MasterFd(), EncoderSim::TEncoderSettings{});
    encoder.Start();
    CreateForm();
    ASSERT_TRUE(WaitUntil([&] { return encoder.PollCount() >= 1; })) << "polling runs";

    ChooseItem(*Form->ComboBox1, c.Type);
    Form->RadioGroup1->SetItemIndex(c.PreTone5);
    Form->RadioGroup2->SetItemIndex(c.AlarmType);
    Form->RadioGroup3->SetItemIndex(c.Tape);
    Form->RadioGroup4->SetItemIndex(c.PreTone10);
    QTest::keyClicks(Form->Edit1, c.Code);
    ASSERT_TRUE(Form->SpeedButton1->isEnabled());
    QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_TRUE(Reports.empty());

    ASSERT_TRUE(WaitUntil([&] { return !encoder.Frames().empty(); }));
    const std::size_t polls = encoder.PollCount();
    ASSERT_TRUE(WaitUntil([&] { return encoder.PollCount() >= polls + 2; }))
        << "polling resumes after the telegram";
    const auto frames = encoder.Frames();
    ASSERT_EQ(frames.size(), 1u) << "exactly one telegram";
    ASSERT_TRUE(frames[0].Accepted()) << "the telegram arrived whole, not split by a poll";
    EXPECT_EQ(Hex(frames[0].Decoded().Bytes), c.Telegram);
    EXPECT_EQ(Form->FixedSendCount, 0);
}

INSTANTIATE_TEST_SUITE_P(
    EncoderTypes, MainFormTriggerTest,
    testing::Values(TTriggerCase{"StandartNeu", 0, "12345", 0, 6, 1, 0,
                                 "02 40 31 32 33 34 35 49 03"},
                    TTriggerCase{"StandartAlt", 1, "12345", 0, 6, 1, 0, "02 31 32 33 34 35 49 03"},
                    TTriggerCase{"ZukGeber", 2, "12345", 0, 6, 1, 0, "02 40 31 32 33 34 35 49 03"},
                    TTriggerCase{"Vami10", 3, "12345ABCDE", 0, 6, 1, 0,
                                 "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B3 0D"},
                    TTriggerCase{"Vami13", 4, "12345ABCDE", 0, 6, 1, 0,
                                 "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 E3 0D"},
                    TTriggerCase{"Vami14", 5, "12345ABCDE", 0, 6, 1, 0,
                                 "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 30 45 33 0D"},
                    TTriggerCase{"Vami20", 6, "12345ABCDE", 0, 6, 1, 0,
                                 "0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 42 33 0D"},
                    TTriggerCase{"LowerCaseCodeAndOptions", 0, "1a2b3", 5, 0, 1, 0,
                                 "02 38 31 3A 32 3B 33 46 03"},
                    TTriggerCase{"Vami14ChecksumWithLeadingZero", 5, "0123456789", 0, 0, 0, 3,
                                 "0A 63 30 31 32 33 34 35 36 37 38 39 46 54 30 41 0D"}),
    [](const testing::TestParamInfo<TTriggerCase>& info) { return info.param.Name; });

using MainFormTriggerEdgeTest = TMainFormTest;

TEST_F(MainFormTriggerEdgeTest, TypeTextSelectingNoItemSendsNothing) {
    TVirtualComPort& port = AddPort(1);
    CreateForm();
    StopTimers();
    Form->ComboBox1->lineEdit()->selectAll();
    QTest::keyClicks(Form->ComboBox1->lineEdit(), "xyz");
    QTest::keyClicks(Form->Edit1, "1234567890");
    port.Drain();
    QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
    EXPECT_TRUE(Form->Timer1->isActive());
    Form->Timer1->stop();
    Form->Timer1Timer();
    EXPECT_EQ(AwaitBytes(port, 2), std::string("\x11\x05", 2))
        << "the poll is the first thing sent";
}

TEST_F(MainFormTriggerEdgeTest, FailedTriggerWriteLeavesPollingOff) {
    CreateForm(); // no port: the selection is cancelled
    Reports.clear();
    QTest::keyClicks(Form->Edit1, "12345");
    QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(Modals.Dialogs.size(), 2u) << "the write asks for a port";
    EXPECT_EQ(Reports.size(), 1u);
    EXPECT_FALSE(Form->Timer1->isActive()) << "until a later trigger or the end of a pass";
}

} // namespace
