// Opening, line settings, flow control and line state on a real pseudo-terminal.
#include "EngineTestSupport.h"
#include "runtime/RunTimeErrors.h"
#include "serial/engine/posix/SioPosixDevice.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

// The terminal end's settings as another opener sees them.
termios TerminalSettings(const TVirtualComPort& port) {
    termios tio{};
    int fd = open(port.TerminalPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(tcgetattr(fd, &tio), 0);
    close(fd);
    return tio;
}

} // namespace

class LineTest : public TEngineTest {
protected:
    void SetUp() override {
        ASSERT_EQ(OpenLikeComponent(Dispatcher, Port.LinkPath(), Window.Handle()), 0);
    }
    TSioPosixDispatcher Dispatcher{nullptr, &Messenger};
};

TEST_F(LineTest, OpensAt1200RawEightNoneOne) {
    termios tio = TerminalSettings(Port);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B1200));
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(tio.c_cflag & CLOCAL);
    EXPECT_TRUE(tio.c_cflag & CREAD);
    EXPECT_FALSE(tio.c_lflag & ICANON);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VMIN], 1);
    EXPECT_EQ(tio.c_cc[VTIME], 0);

    TSioLineQuery line = Dispatcher.QueryLine();
    EXPECT_EQ(line.Baud, 1200u);
    EXPECT_EQ(line.Parity, NoParity);
    EXPECT_EQ(line.DataBits, 8);
    EXPECT_EQ(line.StopBits, 1);
    EXPECT_GE(Dispatcher.DeviceHandle(), 0);
    // A pseudo-terminal has no modem lines and takes writes whole, and the window's thread reads
    // the line: no worker runs.
    EXPECT_EQ(Dispatcher.RunningWorkers(), 0);
}

// A pseudo-terminal keeps rate and stop bits but always reports eight data bits without parity
// (the character format itself is covered by the mapping tables).
TEST_F(LineTest, ApplyLineChangesOnlyWhatIsAsked) {
    EXPECT_EQ(Dispatcher.ApplyLine(KeepBaud, KeepParity, KeepDataBits, KeepStopBits), 0);
    EXPECT_EQ(Dispatcher.ApplyLine(9600, KeepParity, KeepDataBits, 2), 0);
    TSioLineQuery line = Dispatcher.QueryLine();
    EXPECT_EQ(line.Baud, 9600u);
    EXPECT_EQ(line.StopBits, 2);
    EXPECT_EQ(Dispatcher.ApplyLine(KeepBaud, KeepParity, KeepDataBits, 1), 0);
    line = Dispatcher.QueryLine();
    EXPECT_EQ(line.Baud, 9600u);
    EXPECT_EQ(line.StopBits, 1);
    termios tio = TerminalSettings(Port);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
}

TEST_F(LineTest, FiveDataBitsTakeOneAndAHalfStopBits) {
    EXPECT_EQ(Dispatcher.ApplyLine(KeepBaud, KeepParity, 5, 1), 0);
    EXPECT_TRUE(TerminalSettings(Port).c_cflag & CSTOPB);
    EXPECT_EQ(Dispatcher.QueryLine().StopBits, 2);
}

TEST_F(LineTest, RefusedSettingsReportMinusErrnoAndKeepTheLine) {
    EXPECT_EQ(Dispatcher.ApplyLine(14400, KeepParity, KeepDataBits, KeepStopBits), -EINVAL);
    EXPECT_EQ(Dispatcher.ApplyLine(KeepBaud, KeepParity, 4, KeepStopBits), -EINVAL);
    EXPECT_EQ(Dispatcher.QueryLine().Baud, 1200u);
    EXPECT_EQ(Dispatcher.QueryLine().DataBits, 8);
}

TEST_F(LineTest, HardwareFlowMapsOntoTermiosAndKeepsTheRest) {
    EXPECT_EQ(Dispatcher.ApplyHardwareFlow(100, 200, HwFlowUseRts), ecBadArgument);
    EXPECT_EQ(Dispatcher.ApplyHardwareFlow(ComponentQueueSize + 1, 0, HwFlowUseRts), ecBadArgument);
    EXPECT_EQ(Dispatcher.ApplyHardwareFlow(3072, 1024, HwFlowUseRts | HwFlowRequireCts), 0);
    EXPECT_TRUE(TerminalSettings(Port).c_cflag & CRTSCTS);
    TSioFlowQuery flow = Dispatcher.QueryFlow();
    EXPECT_EQ(flow.Hardware, HwFlowUseRts | HwFlowRequireCts);
    // RTS belongs to the flow control now: driving it changes nothing.
    EXPECT_EQ(Dispatcher.DriveRts(false), 1);

    EXPECT_EQ(Dispatcher.ApplyHardwareFlow(3072, 1024, HwFlowUseDtr | HwFlowRequireDsr), 0);
    EXPECT_FALSE(TerminalSettings(Port).c_cflag & CRTSCTS);
    flow = Dispatcher.QueryFlow();
    EXPECT_EQ(flow.Hardware, HwFlowUseDtr | HwFlowRequireDsr);
    EXPECT_EQ(Dispatcher.DriveDtr(true), 1);
    EXPECT_EQ(Dispatcher.DriveRts(true), 0);
}

TEST_F(LineTest, SoftwareFlowAndItsCharacters) {
    EXPECT_EQ(Dispatcher.ApplySoftwareFlow(10, 20, SwFlowTransmit), ecBadArgument);
    EXPECT_EQ(Dispatcher.ApplySoftwareFlow(3072, 1024, SwFlowTransmit | SwFlowReceive), 0);
    termios tio = TerminalSettings(Port);
    EXPECT_TRUE(tio.c_iflag & IXON);
    EXPECT_TRUE(tio.c_iflag & IXOFF);
    EXPECT_EQ(tio.c_cc[VSTART], 17);
    EXPECT_EQ(tio.c_cc[VSTOP], 19);
    EXPECT_EQ(Dispatcher.ApplyFlowChars(0x41, 0x42), 0);
    TSioFlowQuery flow = Dispatcher.QueryFlow();
    EXPECT_EQ(flow.Software, SwFlowTransmit | SwFlowReceive);
    EXPECT_EQ(flow.XonChar, 0x41);
    EXPECT_EQ(flow.XoffChar, 0x42);
    EXPECT_EQ(Dispatcher.DisableSoftwareFlow(), 0);
    tio = TerminalSettings(Port);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
    EXPECT_EQ(Dispatcher.QueryFlow().Software, 0u);
}

TEST_F(LineTest, PseudoTerminalHasNoModemLinesAndNoLineErrors) {
    EXPECT_EQ(Dispatcher.DriveDtr(false), 0);
    EXPECT_EQ(Dispatcher.DriveDtr(true), 0);
    EXPECT_EQ(Dispatcher.ModemBits() & 0xF0, 0);
    EXPECT_EQ(Dispatcher.TakeLineError(), 0);
    EXPECT_FALSE(Dispatcher.TakeLineBreak());
}

TEST_F(LineTest, SecondStartIsRefused) {
    try {
        Dispatcher.StartWorkers();
        FAIL() << "no exception";
    } catch (const ERunTimeError& error) {
        EXPECT_EQ(error.Message(), "Dispatcher already started");
    }
    EXPECT_EQ(Dispatcher.RunningWorkers(), 0);
}

TEST_F(LineTest, TriggerStateSurvivesAReopen) {
    Dispatcher.SetAvailThreshold(7);
    TSioTriggerState saved;
    Dispatcher.SaveTriggerState(saved);
    Dispatcher.ClosePort();
    TSioPosixDispatcher next(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(next, Port.LinkPath(), Window.Handle()), 0);
    EXPECT_EQ(next.AvailThreshold(), 1u);
    next.RestoreTriggerState(saved);
    EXPECT_EQ(next.AvailThreshold(), 7u);
}

TEST_F(LineTest, OptionBitsAndBoostsAreKept) {
    Dispatcher.SetOptionBits(4 | 1);
    Dispatcher.ClearOptionBits(1);
    EXPECT_EQ(Dispatcher.Options(), 4u);
    // Raising priorities may be refused by the system; that is not an error.
    Dispatcher.SetPriorityBoost(2);
    Dispatcher.SetRs485(true);
    Dispatcher.SetRs485(false);
    Dispatcher.SetPriorityBoost(0);
    EXPECT_EQ(Dispatcher.YieldSlice(), 0);
}
