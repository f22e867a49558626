// Link supervision through the real component: reply bytes from the line into the panels, the
// send gate and the watchdog; the watchdog's ticks are driven directly.

#include "MainFormFixture.h"
#include "app/window/Controls.h"
#include "app/window/TestRecordPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
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

QStringList RecordRow(const TMainForm& form, int newest) {
    QStringList columns;
    const QTreeWidgetItem* item = form.TestRecord->RecordList->topLevelItem(newest);
    for (int column = 0; item != nullptr && column < item->columnCount(); ++column)
        columns << item->text(column);
    return columns;
}

std::string TodaysRecordName() {
    return "Pruefprotokoll-" + QDate::currentDate().toString(Qt::ISODate).toStdString() + ".csv";
}

std::string TodaysRecordFile() {
    std::stringstream content;
    content << std::ifstream(TodaysRecordName()).rdbuf();
    return content.str();
}

TEST_F(MainFormSupervisionTest, AlarmsAndTheirRepliesGoIntoTheTestRecordAndItsFile) {
    QTest::keyClicks(Form->Edit1, "1a2b3");
    Form->SpeedButton1Click();
    Reply("\x06\x06\x14\x16\x12");
    const QStringList typed = RecordRow(*Form, 0);
    EXPECT_EQ(typed.mid(1),
              (QStringList{"Standart  neu", "1a2b3", "Ohne Tonruf", "Sofortiger Weckruf",
                           "02 40 31 3A 32 3B 33 49 03", "ACK, Träger ein, Geber läuft, Träger aus",
                           "", "", "", "", ""}));

    Form->CheckBox1->setChecked(false);
    Form->LastReplyWasAck = true;
    Form->Timer2Timer(); // the first stored fixed code, "@62380@"
    Reply("\x15");
    Form->LinkWatchdog = 0;
    Form->Timer3Timer();
    Form->Timer3Timer(); // the banner stays: lost once
    EXPECT_EQ(RecordRow(*Form, 0).mid(1),
              (QStringList{"Standart  neu", "@62380@", "Ohne Tonruf", "Warten (max 5 sec) Weckruf",
                           "02 40 36 32 33 38 30 40 03", "NAK, Verbindung unterbrochen", "", "", "",
                           "", ""}));
    EXPECT_EQ(RecordRow(*Form, 1), typed) << "the earlier row keeps its replies";

    // The typed alarm completed when the fixed one went out; the other completes on closing.
    EXPECT_EQ(TodaysRecordFile().find("@62380@"), std::string::npos);
    Form.reset();
    const std::string file = TodaysRecordFile();
    const std::string header = "\xEF\xBB\xBF"
                               "Datum;Zeit;";
    EXPECT_EQ(file.rfind(header, 0), 0u);
    EXPECT_NE(file.find(";" + typed[0].toStdString() + ";Standart  neu;1a2b3;"), std::string::npos);
    EXPECT_NE(file.find(";'@62380@;Ohne Tonruf;Warten (max 5 sec) Weckruf;"), std::string::npos);
    EXPECT_TRUE(Reports.empty());
}

// A file that cannot be written is told once per episode; its rows wait, counted below the list,
// go in once it can be written again, and at the end go to the state folder rather than be lost.
TEST_F(MainFormSupervisionTest, UnwritableRecordFileEpisodesLoseNoRow) {
    const auto blockFile = [] { std::filesystem::create_directory(TodaysRecordName()); };
    QTest::keyClicks(Form->Edit1, "12345");
    blockFile();
    for (int alarm = 0; alarm < 3; ++alarm)
        Form->SpeedButton1Click();
    ASSERT_TRUE(WaitUntil([this] { return !Reports.empty(); }));
    QTest::qWait(50);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("kann nicht geschrieben werden: Is a directory"), std::string::npos)
        << Reports[0];
    EXPECT_EQ(Form->TestRecord->RecordList->topLevelItemCount(), 3) << "the record goes on";
    EXPECT_EQ(Form->TestRecord->RecordNote->text(), "2 Zeilen nicht gespeichert");
    EXPECT_TRUE(Form->TestRecord->RetryTimer->isActive());

    std::filesystem::remove(TodaysRecordName());
    Form->TestRecord->RetryTimerTimer();
    EXPECT_EQ(Form->TestRecord->RecordNote->text(), "");
    EXPECT_FALSE(Form->TestRecord->RetryTimer->isActive());
    const std::string file = TodaysRecordFile();
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 3) << "header and two rows";

    std::filesystem::rename(TodaysRecordName(), "saved.csv");
    blockFile();
    Form->SpeedButton1Click();
    ASSERT_TRUE(WaitUntil([this] { return Reports.size() == 2; })) << "a new episode is told";
    Form.reset();
    const std::string state = std::string(std::getenv("XDG_STATE_HOME")) + "/quorvane/";
    std::stringstream content;
    content << std::ifstream(state + TodaysRecordName()).rdbuf();
    const std::string saved = content.str();
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3)
        << "header and the two rows still unsaved at the end";
    std::filesystem::remove_all(state);
}

// Rows that neither the working folder nor the state folder takes are not lost behind the
// operator's back at close: trying again, then backing out of losing them, then saving elsewhere.
TEST_F(MainFormSupervisionTest, ClosingWithUnsavedRowsAsksWhereToPutThem) {
    std::filesystem::create_directory(TodaysRecordName());
    Folder.WriteFile("no-folder", "");
    const std::string state = std::getenv("XDG_STATE_HOME");
    setenv("XDG_STATE_HOME", (std::filesystem::current_path() / "no-folder").c_str(), 1);
    QTest::keyClicks(Form->Edit1, "12345");
    Form->SpeedButton1Click();
    Form->SpeedButton1Click();
    Modals.Messages.clear();
    Modals.Buttons = {"Erneut versuchen", "Ohne Speichern schließen", "Zurück",
                      "Speichern unter …"};
    Form->TestRecord->ChooseUnsavedRowsFile = [](const QString&) {
        return QDir::current().filePath("gerettet.csv");
    };
    Form->close();
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    const QString asked =
        QString::fromUtf8("2 Zeilen des Prüfprotokolls konnten weder im "
                          "Arbeitsordner noch im Zustandsordner gespeichert werden.");
    EXPECT_EQ(Modals.Messages,
              (std::vector<QString>{asked, asked,
                                    QString::fromUtf8("2 Zeilen des Prüfprotokolls gehen verloren. "
                                                      "Wirklich schließen?"),
                                    asked}));
    EXPECT_EQ(Form->TestRecord->UnsavedAtClose(), 0u);
    std::stringstream content;
    content << std::ifstream("gerettet.csv").rdbuf();
    const std::string saved = content.str();
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3) << "header and both rows";
}

// Another program holding the day's file locked holds back only the rows: polls keep their beat,
// each alarm goes out at once, and the rows go in, in the order sent, once the lock is gone.
TEST_F(MainFormSupervisionTest, AForeignLockOnTheRecordFreezesNothing) {
    const std::string name = TodaysRecordName();
    const pid_t holder = fork();
    if (holder == 0) {
        flock(open(name.c_str(), O_WRONLY | O_CREAT, 0666), LOCK_EX);
        sleep(10);
        _exit(0);
    }
    ASSERT_TRUE(WaitUntil([&] {
        const int fd = open(name.c_str(), O_RDONLY);
        const bool locked = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0;
        close(fd);
        return locked;
    }));
    Form->Timer1->start();
    Line->Drain();
    const QStringList codes{"11111", "22222", "33333", "44444", "55555"};
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> polls{0}; // and alarms
    std::vector<qint64> clicks;
    std::vector<qint64> telegrams;
    while (waitpid(holder, nullptr, WNOHANG) == 0) {
        if (clicks.size() < static_cast<std::size_t>(codes.size()) &&
            clock.elapsed() > 1500 * static_cast<qint64>(clicks.size() + 1)) {
            Form->Edit1->setText(codes[static_cast<int>(clicks.size())]);
            clicks.push_back(clock.elapsed());
            Form->SpeedButton1Click();
        }
        QTest::qWait(10);
        const std::string bytes = Line->Read(4096, 0ms);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\x02') {
                telegrams.push_back(clock.elapsed());
                // An alarm starts the polls' beat afresh, and tells the encoder as much as a poll.
                polls.push_back(clock.elapsed());
            } else if (bytes.compare(i, 2, "\x11\x05") == 0)
                polls.push_back(clock.elapsed());
    }
    polls.push_back(clock.elapsed());
    EXPECT_GE(clock.elapsed(), 9000) << "the lock was held throughout";
    for (std::size_t i = 1; i < polls.size(); ++i)
        EXPECT_LE(polls[i] - polls[i - 1], 1000)
            << "a gap on the line before " << polls[i] << " ms";
    ASSERT_EQ(telegrams.size(), clicks.size());
    for (std::size_t i = 0; i < clicks.size(); ++i)
        EXPECT_LE(telegrams[i] - clicks[i], 1000) << "alarm " << i;
    EXPECT_EQ(Form->TestRecord->RecordNote->text(), "4 Zeilen nicht gespeichert");
    ASSERT_EQ(Reports.size(), 1u) << "one episode";
    EXPECT_NE(Reports[0].find("locked by another program"), std::string::npos) << Reports[0];

    Form->TestRecord->RetryTimerTimer();
    EXPECT_EQ(Form->TestRecord->RecordNote->text(), "");
    Form.reset();
    const std::string file = TodaysRecordFile();
    std::size_t at = 0;
    for (const QString& code : codes) {
        at = file.find(";" + code.toStdString() + ";", at);
        EXPECT_NE(at, std::string::npos) << code.toStdString() << " in its place";
    }
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), codes.size() + 1);
}

// "Bericht …" offers today's rows, in the file or still filling, and the rows marked in the list.
TEST_F(MainFormSupervisionTest, TheReportGetsTodaysAndTheMarkedRows) {
    const auto codes = [](const std::vector<TReportRow>& rows) {
        std::string list;
        for (const TReportRow& row : rows)
            list += row.Code + " ";
        return list;
    };
    for (const char* code : {"11111", "22222", "33333"}) {
        TAlarmSent sent;
        sent.Code = sent.Expected = code;
        Form->TestRecord->AlarmSent(sent);
    }
    QTreeWidget& list = *Form->TestRecord->RecordList;
    list.topLevelItem(0)->setSelected(true);
    list.topLevelItem(2)->setSelected(true);
    const TRecordRead today = Form->TestRecord->RowsOfToday();
    EXPECT_EQ(codes(today.Rows), "11111 22222 33333 ") << "two in the file, one still open";
    EXPECT_TRUE(today.SkippedLines.empty());
    std::vector<TReportRow> marked = Form->TestRecord->MarkedRows();
    std::sort(marked.begin(), marked.end(), [](auto& a, auto& b) { return a.Code < b.Code; });
    EXPECT_EQ(codes(marked), "11111 33333 ");
    EXPECT_EQ(marked[0], today.Rows[0]) << "a marked row reads as the file's";
}

// A long pass keeps the list to its newest rows; the file keeps every one.
TEST_F(MainFormSupervisionTest, TheListHoldsTheNewestRowsOnly) {
    constexpr int Alarms = 10'000;
    for (int alarm = 0; alarm < Alarms; ++alarm) {
        TAlarmSent sent;
        sent.Code = sent.Expected = std::to_string(10'000 + alarm);
        Form->TestRecord->AlarmSent(sent);
    }
    const int shown = TTestRecordPanel::MaxListRows;
    EXPECT_EQ(Form->TestRecord->RecordList->topLevelItemCount(), shown);
    EXPECT_EQ(RecordRow(*Form, 0)[2], QString::number(10'000 + Alarms - 1));
    EXPECT_EQ(RecordRow(*Form, shown - 1)[2], QString::number(10'000 + Alarms - shown));
    EXPECT_EQ(Form->TestRecord->RecordNote->text(),
              QStringLiteral("%1 ältere Zeilen nur in der Datei").arg(Alarms - shown));
    Form.reset();
    const std::string file = TodaysRecordFile();
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), Alarms + 1);
}

// With the encoder's device gone, "Auslösen" sends nothing: the window says so, and the row says
// "nicht gesendet" and takes none of the replies of the encoder coming back.
TEST_F(MainFormSupervisionTest, AnAlarmWithTheEncoderUnpluggedIsRecordedAsNotSent) {
    QTest::keyClicks(Form->Edit1, "12345");
    Modals.Messages.clear();
    Line->Unplug();
    ASSERT_TRUE(WaitUntil([this] { return !Form->SioComPort1->DeviceAttached(); }));
    Form->SpeedButton1Click();
    EXPECT_EQ(Modals.Messages, std::vector<QString>{QString::fromUtf8(
                                   "Geber nicht verbunden – Alarm nicht gesendet")});
    Line->Replug();
    ASSERT_TRUE(WaitUntil([this] { return Form->SioComPort1->DeviceAttached(); }, 10s));
    Reply("\x06");
    EXPECT_EQ(RecordRow(*Form, 0).mid(5),
              (QStringList{"02 40 31 32 33 34 35 49 03", "", "", "nicht gesendet", "", "", ""}));
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

// An encoder that reads nothing fills the kernel's buffer, then the port's ring; a poll on every
// tick would fail the same way, and the operator hears of it once per such episode.
TEST_F(MainFormSupervisionTest, AFullOutputRingIsReportedOncePerEpisode) {
    // The output worker moves bytes on into the kernel meanwhile: fill until even one byte finds
    // no room twice, a little apart. Returns how many went in.
    const auto fillRing = [this] {
        std::size_t queued = 0;
        for (int settled = 0; settled < 2; ++settled, QTest::qWait(50))
            for (std::size_t size = 1024; size > 0; size /= 2)
                try {
                    for (;; queued += size)
                        Form->SioComPort1->WriteString(std::string(size, 'x'));
                } catch (const EOutputBufferTooSmall&) {
                }
        return queued;
    };
    Line->Drain();
    for (int episode = 1; episode <= 2; ++episode) {
        const std::size_t queued = fillRing();
        Reports.clear();
        for (int tick = 0; tick < 3; ++tick)
            RunReportingErrors([this] { Form->Timer1Timer(); });
        EXPECT_EQ(Reports, std::vector<std::string>{"Output buffer too small for block."})
            << "episode " << episode;
        ASSERT_EQ(Line->Read(queued, 10s).size(), queued);
        // The ring has room again once the output worker has booked what went out; the ticks
        // meanwhile fail quietly, and then the poll goes out.
        std::string sent;
        EXPECT_TRUE(WaitUntil([&] {
            Form->Timer1Timer();
            sent += Line->ReadAvailable(50ms);
            return sent.find(std::string("\x11\x05", 2)) != std::string::npos;
        }));
        EXPECT_EQ(Reports.size(), 1u) << "nothing more told in the episode";
    }
}

} // namespace
