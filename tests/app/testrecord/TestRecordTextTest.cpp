// The test record's texts: the CSV fields and lines, and the daily file.

#include "app/testrecord/RecordCsv.h"
#include "app/testrecord/RecordFile.h"
#include "app/testrecord/RecordFileQueue.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(RecordFileTest, FieldsAsSpreadsheetsReadThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"12345", "12345"},
        {"Geber läuft", "Geber läuft"},
        {"a;b", "\"a;b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {" 123", "\" 123\""},
        {"=1+1", "'=1+1"},
        {"@62380@", "'@62380@"},
        {"-5;x", "\"'-5;x\""},
        {"", ""},
    };
    for (const auto& [text, field] : cases)
        EXPECT_EQ(CsvField(text), field) << text;
}

TTestRecordRow SampleRow(const std::string& code = "12345") {
    TTestRecordRow row;
    row.Alarm = {"2026-12-07",
                 "14:05:09",
                 "Standart  neu",
                 code,
                 "Ohne Tonruf",
                 "Sofortiger Weckruf",
                 "02 40 31 32 33 34 35 49 03",
                 code,
                 true};
    row.Replies = {"ACK", "Träger ein"};
    row.Heard = {"Tonruf I 2,0 s", code};
    row.Verdict = {TVerdictKind::Differs, "weicht ab (Ton 2: 92 ms statt 70 ms)",
                   "Ton 2: 92 ms statt 70 ms"};
    return row;
}

// A fresh folder of its own for each test, removed afterwards.
class TRecordFolder {
public:
    TRecordFolder()
        : Path(std::filesystem::temp_directory_path() / ("record-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(Path);
    }
    ~TRecordFolder() { std::filesystem::remove_all(Path); }
    std::string File(const std::string& name) const { return (Path / name).string(); }
    std::filesystem::path Path;
};

std::string Content(const std::string& path) {
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

TEST(RecordFileTest, DailyFileStartsWithMarkAndHeaderThenAppends) {
    const TRecordFolder records;
    const std::filesystem::path& folder = records.Path;
    const TTestRecordRow row = SampleRow();
    EXPECT_EQ(CsvLine(row), "2026-12-07;14:05:09;Standart  neu;12345;Ohne Tonruf;Sofortiger "
                            "Weckruf;02 40 31 32 33 34 35 49 03;ACK, Träger ein;\"Tonruf I 2,0 "
                            "s; 12345\";weicht ab (Ton 2: 92 ms statt 70 ms);Ton 2: 92 ms statt "
                            "70 ms;;;;\r\n");
    TTestRecordRow step = row;
    step.Alarm.Step = 7;
    EXPECT_TRUE(CsvLine(step).ends_with(";7\r\n")) << "a run's step in the last column";
    EXPECT_EQ(RecordFileName("2026-12-07"), "Pruefprotokoll-2026-12-07.csv");

    const std::string path = (folder / RecordFileName("2026-12-07")).string();
    ASSERT_EQ(AppendRecordLine(path, row), std::nullopt);
    ASSERT_EQ(AppendRecordLine(path, row), std::nullopt);
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(content.str(), "\xEF\xBB\xBF" + CsvHeaderLine() + CsvLine(row) + CsvLine(row));
    EXPECT_EQ(CsvHeaderLine(),
              "Datum;Zeit;Gebertyp;Code;Vorton;Alarmart;Telegramm;Antworten;"
              "Gehört;Ergebnis;Abweichungen;Messwerte;Empfänger;Messblatt;Schritt\r\n");

    ASSERT_EQ(mkfifo((folder / "pipe.csv").c_str(), 0600), 0);
    const std::pair<const char*, const char*> failures[] = {
        {"missing/x.csv", "No such file or directory"},
        {"pipe.csv", "No such device or address"}, // no reader: fails at once, never hangs
    };
    for (const auto& [name, reason] : failures)
        EXPECT_EQ(AppendRecordLine((folder / name).string(), row), reason) << name;
}

// Rows reach the file in the order of their alarms, each once; a failed write holds its row and
// every later one, and only the first failure of an episode is told.
TEST(RecordFileTest, QueueWritesInSendOrderAndRetriesAfterFailures) {
    std::vector<std::string> written;
    std::optional<std::string> failure;
    TRecordFileQueue queue([&](const std::string& path, const TTestRecordRow& row) {
        EXPECT_EQ(path, "Pruefprotokoll-2026-12-07.csv");
        if (!failure)
            written.push_back(row.Alarm.Code);
        return failure;
    });
    const struct {
        const char* Step; // "N": row N completes; "fail"/"heal": the writer breaks/mends
        const char* Written;
        bool Told;
        std::size_t Unsaved;
    } steps[] = {
        {"1", "", false, 0},           {"0", "0 1", false, 0},    {"fail", "0 1", false, 0},
        {"2", "0 1", true, 1},         {"3", "0 1", false, 2},    {"heal", "0 1 2 3", false, 0},
        {"fail", "0 1 2 3", false, 0}, {"4", "0 1 2 3", true, 1},
    };
    for (const auto& step : steps) {
        const std::string what = step.Step;
        if (what == "fail")
            failure = "No space left on device";
        else if (what == "heal")
            failure.reset();
        else
            queue.Complete(std::stoul(what), SampleRow(what));
        const auto told = queue.Write();
        std::string list;
        for (const std::string& code : written)
            list += (list.empty() ? "" : " ") + code;
        EXPECT_EQ(list, step.Written) << what;
        EXPECT_EQ(told.has_value(), step.Told) << what;
        EXPECT_EQ(queue.Unsaved(), step.Unsaved) << what;
    }
    EXPECT_EQ(queue.TakeHeld().size(), 1u);
    EXPECT_EQ(queue.Unsaved(), 0u);
}

// A day's file in a folder of its own with its first row, written through the queue.
class RecordFileEpisodeTest : public testing::Test {
protected:
    void SetUp() override {
        queue.Complete(0, SampleRow("00000"));
        ASSERT_FALSE(queue.Write());
        before = Content(path);
    }

    const TRecordFolder records;
    TRecordFileQueue queue{[this](const std::string& name, const TTestRecordRow& row) {
        return AppendRecordLine(records.File(name), row);
    }};
    const std::string path = records.File(RecordFileName("2026-12-07"));
    std::string before; // the file with its first row
};

// A disk that fills up mid-row (here: a file size limit) leaves whole lines only, and every row
// reaches the file once there is room again.
TEST_F(RecordFileEpisodeTest, AFullDiskLeavesWholeLinesAndTheRowsFollowLater) {

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit full{before.size() + 20, limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    for (std::size_t row = 1; row <= 8; ++row)
        queue.Complete(row, SampleRow(std::string(5, static_cast<char>('0' + row))));
    const auto failure = queue.Write();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Reason, "File too large");
    EXPECT_EQ(Content(path), before) << "no part of a line stays";
    EXPECT_EQ(queue.Unsaved(), 8u);

    EXPECT_FALSE(queue.Write());
    std::string expected = before;
    for (char digit = '1'; digit <= '8'; ++digit)
        expected += CsvLine(SampleRow(std::string(5, digit)));
    EXPECT_EQ(Content(path), expected);
}

// A file made immutable for a while (as root: chattr +i) takes no rows; they follow, in order,
// once it can be written again.
TEST_F(RecordFileEpisodeTest, AnImmutableFileEpisodeLosesNoRow) {
    if (std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "chattr +i needs root and a file system that has it";
    queue.Complete(1, SampleRow("11111"));
    queue.Complete(2, SampleRow("22222"));
    const auto failure = queue.Write();
    EXPECT_FALSE(queue.Write()) << "told once in the episode";
    ASSERT_EQ(std::system(("chattr -i '" + path + "'").c_str()), 0);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Reason, "Operation not permitted");
    EXPECT_EQ(queue.Unsaved(), 2u);
    EXPECT_FALSE(queue.Write());
    EXPECT_EQ(Content(path), before + CsvLine(SampleRow("11111")) + CsvLine(SampleRow("22222")));
}

// Two programs that start the day's file at the same moment head it once between them.
TEST(RecordFileTest, TwoWritersHeadANewFileOnce) {
    const TRecordFolder records;
    const TTestRecordRow row = SampleRow();
    for (int round = 0; round < 50; ++round) {
        const std::string path = records.File("race-" + std::to_string(round) + ".csv");
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        pid_t writers[2];
        for (pid_t& writer : writers) {
            writer = fork();
            if (writer == 0) {
                char start;
                close(go[1]);
                const bool started = read(go[0], &start, 1) == 0;
                // A writer that finds the file locked a little too long tries again, as the
                // window's queue does.
                bool written = false;
                for (int attempt = 0; started && !written && attempt < 1000; ++attempt) {
                    written = !AppendRecordLine(path, row);
                    if (!written)
                        usleep(1000);
                }
                _exit(written ? 0 : 1);
            }
        }
        close(go[0]);
        close(go[1]); // both start at once
        for (const pid_t writer : writers) {
            int status = 0;
            waitpid(writer, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        ASSERT_EQ(Content(path), "\xEF\xBB\xBF" + CsvHeaderLine() + CsvLine(row) + CsvLine(row))
            << "round " << round;
    }
}

} // namespace
