// A device that vanishes while the port is open is let go at once and re-attached by itself when
// a device answers on the same path again, with the port's settings; the port stays open and
// meanwhile only falls silent. Spinning is judged by counting worker wake-ups.
#include "EngineTestSupport.h"

#include <filesystem>
#include <termios.h>
#include <unistd.h>

namespace {

// Whether any descriptor of this process refers to `device`.
bool HoldsDevice(const std::string& device) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error).string() == device)
            return true;
    }
    return false;
}

} // namespace

class ReplugTest : public TEngineTest {};

TEST_F(ReplugTest, VanishedDeviceIsLetGoAndTheNextOneGetsThePortSettings) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    TakeOnNotify(dispatcher);
    // A pseudo-terminal keeps rate, stop bits and software flow (it reports 8 bits, no parity).
    ASSERT_EQ(dispatcher.ApplyLine(9600, NoParity, 8, 2), 0);
    ASSERT_EQ(dispatcher.ApplySoftwareFlow(3000, 1000, SwFlowTransmit | SwFlowReceive), 0);
    ASSERT_EQ(dispatcher.DriveDtr(false), 0);
    const std::int32_t handle = dispatcher.DeviceHandle();
    const std::string oldTerminal = Port.TerminalPath();

    Port.Unplug();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceDetachments() == 1; }));
    EXPECT_FALSE(HoldsDevice(oldTerminal));
    EXPECT_TRUE(dispatcher.DeviceGone());

    // Meanwhile the port keeps its contract: settings are kept, blocks are taken whole.
    TSioLineQuery line = dispatcher.QueryLine();
    EXPECT_EQ(line.Baud, 9600u);
    EXPECT_EQ(line.StopBits, 2);
    ASSERT_EQ(dispatcher.ApplyLine(19200, KeepParity, KeepDataBits, KeepStopBits), 0);
    EXPECT_EQ(dispatcher.QueryLine().Baud, 19200u);
    ASSERT_EQ(dispatcher.QueueBlock("stale", 5), 0);
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.OutputUsed() == 0; }));
    EXPECT_EQ(dispatcher.PurgeOutput(), 0);
    EXPECT_EQ(dispatcher.PurgeInput(), 0);

    Port.Replug();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceReattachments() == 1; }));
    EXPECT_FALSE(dispatcher.DeviceGone());
    EXPECT_EQ(dispatcher.DeviceHandle(), handle);
    // A pty master reports its terminal's settings.
    termios tio{};
    ASSERT_EQ(tcgetattr(Port.MasterFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(tio.c_lflag & ICANON, 0u);
    EXPECT_EQ(dispatcher.QueryFlow().Software & (SwFlowTransmit | SwFlowReceive),
              SwFlowTransmit | SwFlowReceive);

    ASSERT_TRUE(Port.Write("\x06\x15"));
    ASSERT_TRUE(PumpUntil([&] { return Taken == "\x06\x15"; }));
    ASSERT_EQ(dispatcher.QueueBlock("ok", 2), 0);
    // Nothing written while the device was away comes out now.
    EXPECT_EQ(PeerRead(2), "ok");
    EXPECT_EQ(Port.ReadAvailable(std::chrono::milliseconds(100)), "");
    // Dispatch and output worker; the line is read on this thread.
    EXPECT_EQ(dispatcher.RunningWorkers(), 2);
    dispatcher.ClosePort();
    EXPECT_TRUE(dispatcher.WorkersGone());
}

TEST_F(ReplugTest, HangUpIsSeenWhileTheInputRingIsFull) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    // Nobody takes the bytes: the ring fills and the engine stops reading.
    ASSERT_TRUE(Port.Write(TestBytes(InputRingSize + 100)));
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.InputCount() == InputRingSize; }));
    Port.Unplug();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceDetachments() == 1; }));
    // What the ring holds stays readable.
    EXPECT_EQ(dispatcher.InputCount(), InputRingSize);
    std::uint8_t byte = 0xFF;
    EXPECT_EQ(dispatcher.TakeByte(byte), 0);
    EXPECT_EQ(byte, 0);
}

TEST_F(ReplugTest, DetachedPortIdlesWithoutSpinning) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    Port.Unplug();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceDetachments() == 1; }));
    const TWakeups wakeups = WakeupsOverASecond(dispatcher);
    // At most the hang-up's own wake-up and the one its report leaves pending, when they come
    // after the dispatch worker (started by that report) has let the device go.
    EXPECT_LE(wakeups.Event, 2u);
    // Only the retries, every 250 ms: about 4 a second.
    EXPECT_LE(wakeups.Dispatch, 8u);
    EXPECT_EQ(wakeups.Output, 0u);
    EXPECT_EQ(dispatcher.DeviceReattachments(), 0u);
    EXPECT_TRUE(Window.Counts().empty());
}

TEST_F(ReplugTest, RepeatedUnplugAndReplugKeepsOneDescriptor) {
    std::size_t descriptors = OpenDescriptorCount();
    {
        TSioPosixDispatcher dispatcher(nullptr, &Messenger);
        ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
        TakeOnNotify(dispatcher);
        std::size_t open = 0;
        for (std::uint64_t round = 1; round <= 3; ++round) {
            Port.Unplug();
            ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceDetachments() == round; }));
            Port.Replug();
            ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceReattachments() == round; }));
            // Counted once the first worker has made the workers' signals.
            if (round == 1)
                open = OpenDescriptorCount();
            EXPECT_EQ(OpenDescriptorCount(), open);
            Taken.clear();
            ASSERT_TRUE(Port.Write("x"));
            ASSERT_TRUE(PumpUntil([&] { return Taken == "x"; }));
        }
        dispatcher.ClosePort();
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST_F(ReplugTest, CloseWhileDetachedOrDetachingReleasesEverything) {
    // Counted after the first round, so threads the run-time starts once for good (a sanitizer's
    // helper, say) are not taken for leaks.
    std::size_t descriptors = 0;
    std::size_t threads = 0;
    for (int round = 0; round < 21; ++round) {
        if (round == 1) {
            descriptors = OpenDescriptorCount();
            threads = ThreadCount();
        }
        TSioPosixDispatcher dispatcher(nullptr, &Messenger);
        ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
        Port.Unplug();
        // Half the rounds close before the hang-up has been seen, half after the device is let go.
        if (round % 2 == 1) {
            ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceDetachments() == 1; }));
        }
        dispatcher.ClosePort();
        EXPECT_TRUE(dispatcher.WorkersGone());
        EXPECT_EQ(dispatcher.DeviceHandle(), -1);
        Port.Replug();
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_EQ(ThreadCount(), threads);
}

TEST_F(ReplugTest, ReplugWhileTheNewDeviceIsBusyWaitsForIt) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    Port.Unplug();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceDetachments() == 1; }));
    Port.Replug();
    {
        // Another program holds the new device: the port waits, and gets it once it is free.
        TSioPosixDispatcher other(nullptr, &Messenger);
        ASSERT_GE(other.ProbeOpen(Port.LinkPath()), 0);
        PumpUntil([] { return false; }, 3 * ReattachInterval);
        EXPECT_EQ(dispatcher.DeviceReattachments(), 0u);
        other.ProbeClose();
    }
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceReattachments() == 1; }));
    ASSERT_EQ(dispatcher.QueueBlock("ok", 2), 0);
    EXPECT_EQ(PeerRead(2), "ok");
}

TEST_F(ReplugTest, LinkLeftByADeadPeerIsNotFollowedToSomebodyElsesTerminal) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    const std::string oldTerminal = Port.TerminalPath();
    Port.Abandon();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceDetachments() == 1; }));

    // Pseudo-terminals take the lowest free number: make them until one gets the old one.
    auto number = [](const std::string& terminal) {
        return std::stoul(terminal.substr(terminal.rfind('/') + 1));
    };
    std::vector<std::unique_ptr<TVirtualComPort>> strangers;
    TVirtualComDir strangersDir(false);
    while (strangers.size() < 64 &&
           (strangers.empty() || number(strangers.back()->TerminalPath()) < number(oldTerminal)))
        strangers.push_back(std::make_unique<TVirtualComPort>(strangersDir, strangers.size() + 1));
    if (strangers.back()->TerminalPath() != oldTerminal)
        GTEST_SKIP() << "another program took " << oldTerminal << " first";
    PumpUntil([] { return false; }, 4 * ReattachInterval);
    EXPECT_EQ(dispatcher.DeviceReattachments(), 0u);
    termios tio{};
    ASSERT_EQ(tcgetattr(strangers.back()->MasterFd(), &tio), 0);
    EXPECT_NE(cfgetospeed(&tio), static_cast<speed_t>(B1200)) << "the stranger keeps its line";
    EXPECT_EQ(strangers.back()->ReadAvailable(std::chrono::milliseconds(100)), "");

    // A link made anew is the device coming back.
    Port.Replug();
    ASSERT_TRUE(PumpUntil([&] { return dispatcher.DeviceReattachments() == 1; }));
}
