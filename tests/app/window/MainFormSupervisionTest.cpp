// Link supervision through the real component: reply bytes from the line into the panels, the
// send gate and the watchdog; the watchdog's ticks are driven directly.

#include "MainFormFixture.h"
#include "app/window/Controls.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <map>
#include <vector>

namespace {

using namespace std::chrono_literals;

const QColor Lime(0, 255, 0);

class MainFormSupervisionTest : public TMainFormTest {
protected:
    void SetUp() override {
        Line = &AddPort(1);
        CreateForm();
        StopTimers();
        Form->SioComPort1->SetOnTriggerAvail([this](TSioCustomComPort& CP, std::uint16_t Count) {
            Form->SioComPort1TriggerAvail(CP, Count);
            Handled += Count;
        });
    }

    // Puts bytes on the line as the encoder and waits until the window has handled them all.
    void Reply(const std::string& bytes) {
        const std::size_t target = Handled + bytes.size();
        ASSERT_TRUE(Line->Write(bytes));
        ASSERT_TRUE(WaitUntil([&] { return Handled >= target; }));
    }

    QColor ButtonFace() const { return QApplication::palette().color(QPalette::Button); }

    TVirtualComPort* Line = nullptr;
    std::size_t Handled = 0;
};

struct TReplyCase {
    const char* Name;
    std::string Bytes;
    const char* Panel2;
    const char* Panel3;
    bool Gate;
    int Watchdog;
};

// Test names show the case, not its bytes.
void PrintTo(const TReplyCase& c, std::ostream* os) {
    *os << c.Name;
}

class MainFormReplySequenceTest : public MainFormSupervisionTest,
                                  public testing::WithParamInterface<TReplyCase> {};

TEST_P(MainFormReplySequenceTest, LastRecognisedByteDecides) {
    const TReplyCase& c = GetParam();
    Reply(c.Bytes);
    EXPECT_EQ(Form->Panel2->Caption(), c.Panel2);
    EXPECT_EQ(Form->Panel3->Caption(), QString::fromUtf8(c.Panel3));
    EXPECT_EQ(Form->LastReplyWasAck, c.Gate);
    EXPECT_EQ(Form->LinkWatchdog, c.Watchdog);
    EXPECT_TRUE(Reports.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, MainFormReplySequenceTest,
    testing::Values(TReplyCase{"Ack", "\x06", "ACK", "", true, 5},
                    TReplyCase{"Nak", "\x15", "NAK", "Puffer voll", false, 5},
                    TReplyCase{"AckThenNak", "\x06\x15", "NAK", "Puffer voll", false, 5},
                    TReplyCase{"NakThenAck", "\x15\x06", "ACK", "", true, 5},
                    TReplyCase{"Running", "\x16", "", "Geber läuft", false, 5},
                    TReplyCase{"AckThenRunning", "\x06\x16", "ACK", "Geber läuft", true, 5},
                    TReplyCase{"NakThenRunning", "\x15\x16", "NAK", "Geber läuft", false, 5},
                    TReplyCase{"Ignored", std::string("\x00\x11\x41\xFF", 4), "", "", false, 0},
                    TReplyCase{"AckAmongIgnored", std::string("\x00\x06\x41", 3), "ACK", "", true,
                               5}),
    [](const testing::TestParamInfo<TReplyCase>& info) { return info.param.Name; });

TEST_F(MainFormSupervisionTest, EveryByteValueFromTheLine) {
    for (int byte = 0; byte <= 0xFF; ++byte) {
        Form->LinkWatchdog = 0;
        Form->LastReplyWasAck = byte % 2 == 0;
        Form->Panel2->SetCaption(QStringLiteral("-"));
        Form->Panel3->SetCaption(QStringLiteral("-"));
        Form->Panel1->SetColor(Qt::blue);
        Reply(std::string(1, static_cast<char>(byte)));
        const bool recognised =
            byte == 0x06 || byte == 0x12 || byte == 0x14 || byte == 0x15 || byte == 0x16;
        EXPECT_EQ(Form->LinkWatchdog, recognised ? 5 : 0) << byte;
        const bool gate = byte == 0x06 ? true : byte == 0x15 ? false : byte % 2 == 0;
        EXPECT_EQ(Form->LastReplyWasAck, gate) << byte;
        const QString panel2 = byte == 0x06 ? "ACK" : byte == 0x15 ? "NAK" : "-";
        EXPECT_EQ(Form->Panel2->Caption(), panel2) << byte;
        const QString panel3 = byte == 0x06   ? ""
                               : byte == 0x15 ? "Puffer voll"
                               : byte == 0x16 ? QString::fromUtf8("Geber läuft")
                                              : "-";
        EXPECT_EQ(Form->Panel3->Caption(), panel3) << byte;
        const QColor carrier = byte == 0x12 ? ButtonFace() : byte == 0x14 ? Lime : QColor(Qt::blue);
        EXPECT_EQ(Form->Panel1->Color(), carrier) << byte;
    }
    EXPECT_TRUE(Reports.empty());
}

TEST_F(MainFormSupervisionTest, CarrierLimeThenBackToButtonFace) {
    const QColor initial = Form->Panel1->Color();
    Reply("\x14");
    EXPECT_EQ(Form->Panel1->Color(), Lime);
    Reply("\x12");
    EXPECT_EQ(Form->Panel1->Color(), ButtonFace());
    EXPECT_EQ(Form->Panel1->Color(), initial) << "the panel's own initial colour";
}

TEST_F(MainFormSupervisionTest, CountOfZeroReadsNothing) {
    Form->SioComPort1TriggerAvail(*Form->SioComPort1, 0);
    EXPECT_EQ(Form->LinkWatchdog, 0);
    EXPECT_TRUE(Reports.empty());
}

TEST_F(MainFormSupervisionTest, WatchdogBannerAfterSilenceAndItsRemoval) {
    Form->Timer3Timer();
    ASSERT_FALSE(Form->Panel4->isHidden()) << "silent from the start: the first tick warns";
    EXPECT_EQ(Form->Panel4->Caption(), "Verbindung unterbrochen");
    EXPECT_EQ(Form->Panel4->Color(), QColor(255, 255, 0));
    EXPECT_EQ(Form->Panel4->FontColor(), QColor(255, 0, 0));
    EXPECT_EQ(Form->Panel2->Caption(), " ");
    EXPECT_EQ(Form->Panel3->Caption(), " ");

    Reply("\x14\x06");
    EXPECT_EQ(Form->Panel2->Caption(), "ACK") << "at once, before the next tick";
    EXPECT_EQ(Form->Panel3->Caption(), "");
    EXPECT_FALSE(Form->Panel4->isHidden()) << "the banner goes only at the next tick";
    for (int tick = 1; tick <= 5; ++tick) {
        Form->Timer3Timer();
        EXPECT_TRUE(Form->Panel4->isHidden()) << tick;
    }
    EXPECT_EQ(Form->LinkWatchdog, 0);
    Form->Timer3Timer();
    EXPECT_FALSE(Form->Panel4->isHidden()) << "the sixth silent tick warns";
    EXPECT_EQ(Form->Panel2->Caption(), " ");
    EXPECT_EQ(Form->Panel1->Color(), Lime) << "the carrier lamp keeps its colour";

    Reply(std::string("\x00\x41", 2));
    Form->Timer3Timer();
    EXPECT_FALSE(Form->Panel4->isHidden()) << "meaningless bytes are silence";
    Reply("\x16");
    Form->Timer3Timer();
    EXPECT_TRUE(Form->Panel4->isHidden());
}

TEST_F(MainFormSupervisionTest, EncoderStateShowsOnlyForZukGeber) {
    Reply("\x15");
    EXPECT_EQ(Form->Panel3->Caption(), "Puffer voll");
    EXPECT_TRUE(Form->Panel3->isHidden()) << "set but not visible for Standart  neu";
    ChooseItem(*Form->ComboBox1, 2);
    EXPECT_FALSE(Form->Panel3->isHidden());
    Reply("\x16");
    EXPECT_EQ(Form->Panel3->Caption(), QString::fromUtf8("Geber läuft"));
}

// Over ten ticks of each timer, no tick comes more than 2 ms before its time.
TEST_F(MainFormSupervisionTest, TimersTickNoEarlierThanTheirInterval) {
    QElapsedTimer clock;
    std::map<QTimer*, std::vector<qint64>> ticks;
    clock.start();
    for (QTimer* timer : {Form->Timer1, Form->Timer2, Form->Timer3}) {
        QObject::connect(timer, &QTimer::timeout, Form.get(),
                         [&, timer] { ticks[timer].push_back(clock.nsecsElapsed() / 1000); });
        timer->start();
    }
    const bool ticked = WaitUntil(
        [&] { return ticks[Form->Timer2].size() >= 10 && ticks[Form->Timer3].size() >= 10; }, 20s);
    StopTimers(); // before the clock and the lists go
    ASSERT_TRUE(ticked);
    for (auto& [timer, times] : ticks)
        for (std::size_t k = 1; k <= 10; ++k)
            EXPECT_GE(times[k - 1], qint64(k) * timer->interval() * 1000 - 2000)
                << timer->objectName().toStdString() << " tick " << k;
}

TEST_F(MainFormSupervisionTest, PollTickWritesTheRequest) {
    Line->Drain();
    Form->Timer1Timer();
    EXPECT_EQ(Line->Read(2, std::chrono::seconds(5)), std::string("\x11\x05", 2));
}

} // namespace
