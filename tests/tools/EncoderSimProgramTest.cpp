// Runs quorvane-encoder-sim as a process, the way people and the demo script start it.

#include "tests/tools/SimTestSupport.h"
#include "tools/virtualport/VirtualComPort.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

const std::string Poll = Bytes("11 05");
const std::string Vami10 = Bytes("0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B3 0D");

// Reads whole lines from a pipe with a deadline.
class TLineReader {
public:
    explicit TLineReader(int fd) : Fd_(fd) {}
    ~TLineReader() { close(Fd_); }
    TLineReader(const TLineReader&) = delete;
    TLineReader& operator=(const TLineReader&) = delete;

    // The next line without its newline; none when none came in time or the pipe closed.
    std::optional<std::string> NextLine(std::chrono::milliseconds timeout = ReplyTimeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (auto end = Buffer_.find('\n'); end != std::string::npos) {
                std::string line = Buffer_.substr(0, end);
                Buffer_.erase(0, end + 1);
                return line;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{Fd_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[1024];
            ssize_t got = read(Fd_, chunk, sizeof chunk);
            if (got <= 0)
                return std::nullopt;
            Buffer_.append(chunk, static_cast<std::size_t>(got));
        }
    }

    std::string Line() { return NextLine().value_or("(no line)"); }

    // Every line up to the end of the output.
    std::string Rest() {
        std::string all;
        while (auto line = NextLine())
            all += *line + "\n";
        return all;
    }

private:
    int Fd_;
    std::string Buffer_;
};

class TSimProcess {
public:
    explicit TSimProcess(const std::vector<std::string>& args) {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        std::vector<std::string> all{SIM_PROGRAM_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        int failed = posix_spawn(&Pid_, SIM_PROGRAM_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        Out.emplace(out[0]);
        Err.emplace(err[0]);
        if (failed != 0)
            throw std::runtime_error("posix_spawn failed");
        PidFd_ = static_cast<int>(syscall(SYS_pidfd_open, Pid_, 0));
    }

    ~TSimProcess() {
        if (Pid_ > 0) {
            kill(Pid_, SIGKILL);
            waitpid(Pid_, nullptr, 0);
        }
        if (PidFd_ >= 0)
            close(PidFd_);
    }

    // The exit code after `signal` (or none), -1 when it did not end in time or was killed.
    int Finish(int signal = 0) {
        if (signal != 0)
            kill(Pid_, signal);
        pollfd p{PidFd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(ReplyTimeout.count())) <= 0)
            return -1;
        int status = 0;
        waitpid(Pid_, &status, 0);
        Pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::optional<TLineReader> Out;
    std::optional<TLineReader> Err;

private:
    pid_t Pid_ = -1;
    int PidFd_ = -1;
};

TEST(EncoderSimProgram, PlaysTheEncoderOnItsLinkAndPrintsJson) {
    TVirtualComDir dir;
    TSimProcess sim({"--dir", dir.Path(), "--com", "3", "--json", "--tx-ms", "20"});
    std::string link = dir.Path() + "/COM3";
    std::string ready = sim.Out->Line();
    EXPECT_EQ(ready.rfind(R"({"event":"ready","dir":")" + dir.Path() + R"(","link":")" + link +
                              R"(","terminal":"/dev/pts/)",
                          0),
              0u)
        << ready;

    for (int round = 0; round < 3; ++round) {
        TLinkPeer peer(link);
        ASSERT_TRUE(peer.IsOpen());
        peer.Write(Poll);
        EXPECT_EQ(peer.Read(1, ReplyTimeout), "\x06") << "round " << round;
    }
    TLinkPeer peer(link);
    peer.Write(Vami10);
    EXPECT_EQ(peer.Read(3, ReplyTimeout), "\x14\x16\x12");
    EXPECT_EQ(sim.Out->Line(),
              R"({"event":"frame","accepted":true,"family":"ten-character","types":["VAMI 1.0"],)"
              R"("code":"12345ABCDE","preTone":"?","preToneItem":0,"alarmType":"I",)"
              R"("alarmTypeItem":6,"checksum":"B3","checksumForm":"raw","outcome":"transmitting",)"
              R"("waiting":0,"bytes":"0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B3 0D"})");
    EXPECT_EQ(sim.Out->Line(), R"({"event":"carrier-on","alarm":"12345ABCDE"})");
    EXPECT_EQ(sim.Out->Line(), R"({"event":"carrier-off"})");

    EXPECT_EQ(sim.Finish(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    EXPECT_TRUE(std::filesystem::exists(dir.Path())) << "a given folder stays";
}

TEST(EncoderSimProgram, MakesAndRemovesItsOwnFolder) {
    TVirtualComDir environment; // QUORVANE_COM_DIR points at virtual ports for the child too
    TSimProcess sim({"--nak"});
    std::string folderLine = sim.Out->Line();
    ASSERT_EQ(folderLine.rfind("folder: ", 0), 0u) << folderLine;
    std::string folder = folderLine.substr(8);
    std::string linkLine = sim.Out->Line();
    EXPECT_EQ(linkLine.rfind("link: " + folder + "/COM1 -> /dev/pts/", 0), 0u) << linkLine;
    EXPECT_EQ(sim.Out->Line().rfind("encoder: buffer 3, transmit 3000 ms, faults nak", 0), 0u);

    TLinkPeer peer(folder + "/COM1");
    peer.Write(Poll);
    EXPECT_EQ(peer.Read(1, ReplyTimeout), "\x15");
    peer.Close();
    EXPECT_EQ(sim.Finish(SIGINT), 0);
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(EncoderSimProgram, KeepsAnsweringWhenNobodyReadsItsOutput) {
    TVirtualComDir dir;
    TSimProcess sim({"--dir", dir.Path(), "--json"});
    ASSERT_EQ(sim.Out->Line().rfind(R"({"event":"ready")", 0), 0u);
    TLinkPeer peer(dir.Path() + "/COM1");
    ASSERT_TRUE(peer.IsOpen());
    // From here on nobody reads the output. Far more report lines than a pipe holds; none of these
    // frames makes the encoder answer.
    std::string truncated = Bytes("0A 3F 31 0D");
    std::string flood;
    for (int i = 0; i < 3000; ++i)
        flood += truncated;
    peer.Write(flood);
    peer.Write(Poll);
    EXPECT_EQ(peer.Read(1, ReplyTimeout), "\x06");
    EXPECT_EQ(sim.Finish(SIGTERM), 0);
    std::string complaint = sim.Err->Line();
    EXPECT_NE(complaint.find("lines not printed"), std::string::npos) << complaint;
}

TEST(EncoderSimProgram, RejectsBadOptionsWithUsageHint) {
    struct TCase {
        std::vector<std::string> Args;
        std::string FirstLine;
    };
    const TCase cases[] = {
        {{"--bogus"}, "quorvane-encoder-sim: unknown option --bogus"},
        {{"--buffer", "0"},
         "quorvane-encoder-sim: invalid value '0' for --buffer (expected 1 to 1000 alarms)"},
        {{"--silent-after"}, "quorvane-encoder-sim: option --silent-after needs a value"},
    };
    TVirtualComDir environment;
    for (const auto& each : cases) {
        TSimProcess sim(each.Args);
        EXPECT_EQ(sim.Finish(), 2);
        EXPECT_EQ(sim.Err->Line(), each.FirstLine);
        EXPECT_EQ(sim.Err->Line(), "Try 'quorvane-encoder-sim --help'.");
        EXPECT_EQ(sim.Out->Rest(), "");
    }
}

TEST(EncoderSimProgram, HelpListsTheOptions) {
    TVirtualComDir environment;
    TSimProcess sim({"--help"});
    EXPECT_EQ(sim.Finish(), 0);
    std::string help = sim.Out->Rest();
    for (const char* option : {"--dir", "--com", "--buffer", "--tx-ms", "--json", "--silent",
                               "--nak", "--silent-after", "--garbage", "--help"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(EncoderSimProgram, ReportsAFolderItCannotUse) {
    TVirtualComDir dir;
    std::string file = dir.Path() + "/not-a-folder";
    { std::ofstream(file) << "x"; }
    TSimProcess sim({"--dir", file});
    EXPECT_EQ(sim.Finish(), 1);
    EXPECT_EQ(sim.Err->Line().rfind("quorvane-encoder-sim: ", 0), 0u);
}

} // namespace
