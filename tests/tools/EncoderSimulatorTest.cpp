#include "tools/encoder-sim/encoder/EncoderSimulator.h"

#include "tests/tools/SimTestSupport.h"
#include "tools/encoder-sim/protocol/EncoderProtocol.h"
#include "tools/virtualport/VirtualComPort.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

using namespace EncoderSim;
using namespace std::chrono_literals;

namespace {

const std::string Poll = Bytes("11 05");
const std::string Vami10 = Bytes("0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B3 0D");
const std::string Fixed = Bytes("02 31 32 33 34 41 03");
// No poll answer and no garbage byte is ever 0x16, so it can close a pushed answer.
constexpr char Marker = ReplyEncoderRunning;

class EncoderSimulatorTest : public ::testing::Test {
protected:
    TEncoderSimulator& StartSimulator(TEncoderSettings settings = {}) {
        Simulator_.emplace(Port_.MasterFd(), settings);
        Simulator_->Start();
        return *Simulator_;
    }

    // Polls once and returns exactly what the encoder answered to that poll.
    std::string AnswerToPoll(TLinkPeer& peer) {
        std::size_t polls = Simulator_->PollCount();
        peer.Write(Poll);
        EXPECT_TRUE(Simulator_->WaitForPolls(polls + 1, ReplyTimeout));
        Simulator_->PushReply(std::string(1, Marker));
        return peer.ReadUntil(Marker, ReplyTimeout);
    }

    TVirtualComDir Dir_;
    TVirtualComPort Port_{Dir_, 1};
    std::optional<TEncoderSimulator> Simulator_;
};

TEST_F(EncoderSimulatorTest, AnswersAPollWithAck) {
    StartSimulator();
    TLinkPeer peer(Port_.LinkPath());
    ASSERT_TRUE(peer.IsOpen());
    peer.Write(Poll);
    EXPECT_EQ(peer.Read(1, ReplyTimeout), "\x06");
    EXPECT_TRUE(Simulator_->WaitForPolls(1, ReplyTimeout));
}

TEST_F(EncoderSimulatorTest, RecordsATelegramAndRunsTheTransmitter) {
    TEncoderSettings settings;
    settings.TxTime = 50ms;
    auto& simulator = StartSimulator(settings);
    TLinkPeer peer(Port_.LinkPath());
    peer.Write(Vami10);
    EXPECT_EQ(peer.Read(3, ReplyTimeout), "\x14\x16\x12");
    ASSERT_TRUE(simulator.WaitForFrames(1, ReplyTimeout));
    auto frames = simulator.Frames();
    ASSERT_TRUE(frames[0].Accepted());
    EXPECT_EQ(frames[0].Decoded().Code, "12345ABCDE");
    EXPECT_EQ(frames[0].Decoded().EncoderTypes, std::vector<int>{3});
    EXPECT_EQ(frames[0].Outcome, TAlarmOutcome::Transmitting);
}

TEST_F(EncoderSimulatorTest, FullBufferGivesNakAndDropsFurtherAlarms) {
    TEncoderSettings settings;
    settings.BufferSize = 1;
    settings.TxTime = 1h;
    auto& simulator = StartSimulator(settings);
    TLinkPeer peer(Port_.LinkPath());
    EXPECT_EQ(AnswerToPoll(peer), "\x06");
    peer.Write(Vami10 + Fixed);
    ASSERT_TRUE(simulator.WaitForFrames(2, ReplyTimeout));
    EXPECT_EQ(peer.Read(2, ReplyTimeout), "\x14\x16");
    EXPECT_EQ(AnswerToPoll(peer), "\x15");

    peer.Write(Fixed);
    ASSERT_TRUE(simulator.WaitForFrames(3, ReplyTimeout));
    auto frames = simulator.Frames();
    EXPECT_EQ(frames[1].Outcome, TAlarmOutcome::Buffered);
    EXPECT_EQ(frames[2].Outcome, TAlarmOutcome::Dropped);
    EXPECT_EQ(simulator.Status().Waiting, 1u);
    EXPECT_TRUE(simulator.Status().Transmitting);
}

TEST_F(EncoderSimulatorTest, FaultModesChangeTheAnswers) {
    struct TCase {
        const char* Name;
        TFaultModes Faults;
        std::string Meaningful;
        bool Extra; // meaningless bytes around the answer
    };
    const TCase cases[] = {
        {"none", {}, "\x06", false},
        {"silent", Faults("silent"), "", false},
        {"nak", Faults("nak"), "\x15", false},
        {"silent after 0 s", Faults("", 0ms), "", false},
        {"silent after an hour", Faults("", 1h), "\x06", false},
        {"garbage", Faults("garbage"), "\x06", true},
        {"nak with garbage", Faults("nak garbage"), "\x15", true},
        {"silent beats garbage", Faults("silent garbage"), "", false},
    };
    auto& simulator = StartSimulator();
    TLinkPeer peer(Port_.LinkPath());
    for (const auto& each : cases) {
        simulator.SetFaults(each.Faults);
        EXPECT_EQ(simulator.Faults(), each.Faults) << each.Name;
        std::string answer = AnswerToPoll(peer);
        std::string meaningful;
        for (char c : answer) {
            if (IsMeaningfulReply(static_cast<unsigned char>(c)))
                meaningful += c;
        }
        EXPECT_EQ(meaningful, each.Meaningful) << each.Name;
        EXPECT_EQ(answer.size() > meaningful.size(), each.Extra) << each.Name;
    }
}

TEST_F(EncoderSimulatorTest, FaultModesFromTheSettingsApplyFromTheStart) {
    TEncoderSettings settings;
    settings.Faults.Nak = true;
    StartSimulator(settings);
    TLinkPeer peer(Port_.LinkPath());
    EXPECT_EQ(AnswerToPoll(peer), "\x15");
}

TEST_F(EncoderSimulatorTest, PushedBytesGoOutUnchanged) {
    auto& simulator = StartSimulator();
    TLinkPeer peer(Port_.LinkPath());
    simulator.SetFaults(Faults("silent"));
    simulator.PushReply(Bytes("12 00 FF 14"));
    EXPECT_EQ(peer.Read(4, ReplyTimeout), Bytes("12 00 FF 14"));
}

TEST_F(EncoderSimulatorTest, BytesPushedBeforeTheStartGoOutAtTheStart) {
    Simulator_.emplace(Port_.MasterFd(), TEncoderSettings{});
    Simulator_->PushReply("\x12");
    TLinkPeer peer(Port_.LinkPath());
    Simulator_->Start();
    EXPECT_EQ(peer.Read(1, ReplyTimeout), "\x12");
}

TEST_F(EncoderSimulatorTest, GoesOnAfterStopAndStart) {
    auto& simulator = StartSimulator();
    TLinkPeer peer(Port_.LinkPath());
    EXPECT_EQ(AnswerToPoll(peer), "\x06");
    simulator.Stop();
    simulator.Start();
    simulator.Start();
    EXPECT_EQ(AnswerToPoll(peer), "\x06");
    EXPECT_EQ(simulator.PollCount(), 2u);
}

TEST_F(EncoderSimulatorTest, SurvivesThePeerClosingAndReopeningTheLink) {
    auto& simulator = StartSimulator();
    for (int round = 0; round < 20; ++round) {
        TLinkPeer peer(Port_.LinkPath());
        ASSERT_TRUE(peer.IsOpen()) << "round " << round;
        peer.Write(Poll);
        ASSERT_EQ(peer.Read(1, ReplyTimeout), "\x06") << "round " << round;
    }
    TLinkPeer peer(Port_.LinkPath());
    peer.Write(Fixed);
    ASSERT_TRUE(simulator.WaitForFrames(1, ReplyTimeout));
    EXPECT_TRUE(simulator.Frames()[0].Accepted());
    EXPECT_EQ(simulator.PollCount(), 20u);
}

// Root may open an exclusive terminal anyway, so the test asks the terminal for its mode.
TEST_F(EncoderSimulatorTest, LiftsTheExclusiveModeThePeerLeavesBehind) {
    Simulator_.emplace(Port_.MasterFd(), TEncoderSettings{}, Port_.TerminalPath());
    ASSERT_TRUE(Simulator_->WatchesPeerCloses());
    Simulator_->Start();
    auto closesReach = [this](std::size_t count) {
        return Simulator_->WaitFor(
            [count](const TReceivedLog& log) { return log.PeerCloses >= count; }, ReplyTimeout);
    };
    std::size_t closes = 0;
    for (int round = 0; round < 3; ++round) {
        {
            TLinkPeer peer(Port_.LinkPath());
            ASSERT_TRUE(peer.IsOpen());
            ASSERT_EQ(ioctl(peer.Fd(), TIOCEXCL), 0);
            EXPECT_EQ(AnswerToPoll(peer), "\x06");
        }
        ASSERT_TRUE(closesReach(++closes));
        TLinkPeer probe(Port_.LinkPath());
        int exclusive = -1;
        ASSERT_EQ(ioctl(probe.Fd(), TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 0) << "round " << round;
        probe.Close();
        ASSERT_TRUE(closesReach(++closes));
    }
}

TEST_F(EncoderSimulatorTest, JoinsAFrameWrittenInPieces) {
    auto& simulator = StartSimulator();
    TLinkPeer peer(Port_.LinkPath());
    for (char c : Vami10)
        peer.Write(std::string(1, c));
    ASSERT_TRUE(simulator.WaitForFrames(1, ReplyTimeout));
    ASSERT_TRUE(simulator.Frames()[0].Accepted());
    EXPECT_EQ(simulator.Frames()[0].Decoded().Bytes, Vami10);
}

TEST_F(EncoderSimulatorTest, ReportsRejectedFramesAndKeepsOnlyTheLatest) {
    auto& simulator = StartSimulator();
    TLinkPeer peer(Port_.LinkPath());
    const std::string rejected = Bytes("0A 3F 31 32 33 34 35 3A 3B 3C 3D 3E 49 B4 0D");
    peer.Write(rejected + Poll);
    ASSERT_TRUE(simulator.WaitForPolls(1, ReplyTimeout));
    auto frames = simulator.Frames();
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_FALSE(frames[0].Accepted());
    EXPECT_EQ(frames[0].Rejected().Reason, TRejectReason::BadChecksum);

    // A peer that never stops sending leaves counts and the latest frames, nothing more.
    for (std::size_t i = 0; i < TReceivedLog::KeptFrames; ++i)
        peer.Write(rejected);
    peer.Write(Vami10);
    ASSERT_TRUE(simulator.WaitForFrames(TReceivedLog::KeptFrames + 2, ReplyTimeout));
    frames = simulator.Frames();
    EXPECT_EQ(frames.size(), TReceivedLog::KeptFrames);
    EXPECT_EQ(simulator.Log().FramesReceived, TReceivedLog::KeptFrames + 2);
    EXPECT_TRUE(frames.back().Accepted());
}

TEST_F(EncoderSimulatorTest, DeliversFramesAndNoticesInOrder) {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> seen;
    TEncoderSimulator simulator(Port_.MasterFd(), {.BufferSize = 3, .TxTime = 10ms, .Faults = {}});
    simulator.SetOnEvent([&](const TSimEvent& event) {
        std::string what;
        if (const auto* frame = std::get_if<TReceivedFrame>(&event))
            what = frame->Accepted() ? "accepted" : "rejected";
        else
            what = std::get<TEncoderNotice>(event).Kind == TEncoderNotice::TKind::CarrierOn
                       ? "on " + std::get<TEncoderNotice>(event).Alarm
                       : "off";
        std::lock_guard guard(lock);
        seen.push_back(what);
        changed.notify_all();
    });
    simulator.Start();
    TLinkPeer peer(Port_.LinkPath());
    peer.Write(Fixed + Vami10);
    std::unique_lock guard(lock);
    ASSERT_TRUE(changed.wait_for(guard, ReplyTimeout, [&] { return seen.size() >= 6; }));
    EXPECT_EQ(seen, (std::vector<std::string>{"accepted", "on 1234A", "accepted", "off",
                                              "on 12345ABCDE", "off"}));
}

TEST_F(EncoderSimulatorTest, StopsPromptlyWhileTransmitting) {
    TEncoderSettings settings;
    settings.TxTime = 1h;
    auto& simulator = StartSimulator(settings);
    TLinkPeer peer(Port_.LinkPath());
    peer.Write(Fixed);
    ASSERT_TRUE(simulator.WaitForFrames(1, ReplyTimeout));
    simulator.Stop();
    simulator.Stop();
    EXPECT_TRUE(simulator.Status().Transmitting);
}

} // namespace
