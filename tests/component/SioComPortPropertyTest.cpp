#include "ComPortFixture.h"
#include "serial/component/FlowThresholds.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "runtime/RunTimeErrors.h"

namespace {

using namespace std::chrono_literals;

TEST(SioComPortDefaults, ConstructorSetsThePublishedDefaults) {
    TSioComPort port;
    EXPECT_EQ(port.Version(), "v4.05");
    port.SetVersion("v9");
    EXPECT_EQ(port.Version(), "v4.05");
    EXPECT_EQ(port.DeviceLayer(), dlWin32);
    EXPECT_EQ(port.ComNumber(), 0);
    EXPECT_EQ(port.Baud(), 19200);
    EXPECT_TRUE(port.PromptForPort());
    EXPECT_EQ(port.Parity(), pNone);
    EXPECT_EQ(port.DataBits(), 8);
    EXPECT_EQ(port.StopBits(), 1);
    EXPECT_EQ(port.InSize(), 4096);
    EXPECT_EQ(port.OutSize(), 4096);
    EXPECT_TRUE(port.AutoOpen());
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(port.DTR());
    EXPECT_TRUE(port.RTS());
    EXPECT_TRUE(port.HWFlowOptions().Empty());
    EXPECT_EQ(port.SWFlowOptions(), swfNone);
    EXPECT_EQ(port.XOnChar(), 0x11);
    EXPECT_EQ(port.XOffChar(), 0x13);
    EXPECT_EQ(port.BufferFull(), 0);
    EXPECT_EQ(port.BufferResume(), 0);
    EXPECT_EQ(port.Tracing(), tlOff);
    EXPECT_EQ(port.TraceSize(), 10000u);
    EXPECT_EQ(port.TraceName(), "SIO.TRC");
    EXPECT_TRUE(port.TraceHex());
    EXPECT_FALSE(port.TraceAllHex());
    EXPECT_EQ(port.Logging(), tlOff);
    EXPECT_EQ(port.LogSize(), 10000u);
    EXPECT_EQ(port.LogName(), "SIO.LOG");
    EXPECT_TRUE(port.LogHex());
    EXPECT_FALSE(port.LogAllHex());
    EXPECT_TRUE(port.UseMSRShadow());
    port.SetUseMSRShadow(false);
    EXPECT_TRUE(port.UseMSRShadow());
    EXPECT_TRUE(port.UseEventWord());
    EXPECT_EQ(port.CommNotificationLevel(), 10);
    EXPECT_EQ(port.TapiMode(), tmAuto);
    EXPECT_FALSE(port.RS485Mode());
    EXPECT_EQ(port.AvailThreshold(), 1);
    EXPECT_EQ(port.PriorityBoost(), 0);
    EXPECT_EQ(port.LinkState(), lsClosed);
}

struct TScaleCase {
    std::uint32_t Value, Numerator, Denominator;
    std::uint16_t Expected;
};

TEST(FlowThresholds, NearestIntegerWithHalvesToEven) {
    const TScaleCase cases[] = {
        {4096, 9, 10, 3686}, {4096, 1, 10, 410}, {4096, 3, 4, 3072},    {4096, 1, 4, 1024},
        {5, 1, 2, 2},        {7, 1, 2, 4},       {25, 1, 10, 2},        {35, 1, 10, 4},
        {15, 1, 10, 2},      {0, 9, 10, 0},      {65535, 9, 10, 58982},
    };
    for (const TScaleCase& c : cases)
        EXPECT_EQ(ScaleHalfEven(c.Value, c.Numerator, c.Denominator), c.Expected)
            << c.Value << "*" << c.Numerator << "/" << c.Denominator;
}

TEST(SioComPortFlow, FlowOptionsFillMissingLevelsFromInSize) {
    TSioComPort hardware;
    hardware.SetHWFlowOptions({hwfUseDTR});
    EXPECT_EQ(hardware.BufferFull(), 3686);
    EXPECT_EQ(hardware.BufferResume(), 410);

    TSioComPort software;
    software.SetSWFlowOptions(swfBoth);
    EXPECT_EQ(software.BufferFull(), 3072);
    EXPECT_EQ(software.BufferResume(), 1024);

    TSioComPort none;
    none.SetHWFlowOptions({});
    none.SetSWFlowOptions(swfNone);
    EXPECT_EQ(none.BufferFull(), 0);
    EXPECT_EQ(none.BufferResume(), 0);
}

TEST(SioComPortFlow, LevelsOutOfRangeAreReplaced) {
    TSioComPort port;
    port.SetBufferFull(5000);
    EXPECT_EQ(port.BufferFull(), 3686);
    port.SetBufferResume(4000);
    EXPECT_EQ(port.BufferResume(), 369);
    port.SetBufferFull(1000);
    port.SetBufferResume(500);
    EXPECT_EQ(port.BufferFull(), 1000);
    EXPECT_EQ(port.BufferResume(), 500);
}

TEST(SioComPortFlow, RtsHandshakeAndRs485ExcludeEachOther) {
    TSioComPort port;
    port.SetRS485Mode(true);
    port.SetHWFlowOptions({hwfUseRTS, hwfUseDTR});
    EXPECT_FALSE(port.RS485Mode());
    port.SetRS485Mode(true);
    EXPECT_TRUE(port.RS485Mode());
    EXPECT_EQ(port.HWFlowOptions(), (THWFlowOptions{hwfUseDTR}));
    EXPECT_FALSE(port.RTS());
}

TEST(SioComPortRecorderSettings, SizesAreCappedAndNamesCut) {
    TSioComPort port;
    port.SetTraceSize(5'000'000);
    EXPECT_EQ(port.TraceSize(), 4'000'000u);
    port.SetLogSize(20'000'000);
    EXPECT_EQ(port.LogSize(), 16'000'000u);
    port.SetTraceName(std::string(300, 't'));
    EXPECT_EQ(port.TraceName().size(), 255u);
    port.SetLogName(std::string(256, 'l'));
    EXPECT_EQ(port.LogName().size(), 255u);
}

TEST_F(ComPortTest, FlowControlOwnsItsLineWhileOpen) {
    AddPort(1);
    Port.SetComNumber(1);
    Port.SetHWFlowOptions({hwfUseDTR, hwfUseRTS});
    Port.SetOpen(true);
    Port.SetDTR(false);
    EXPECT_TRUE(Port.DTR());
    Port.SetRTS(false);
    EXPECT_TRUE(Port.RTS());

    Port.SetHWFlowOptions({});
    Port.SetDTR(false);
    EXPECT_FALSE(Port.DTR());
    Port.SetRTS(false);
    EXPECT_FALSE(Port.RTS());
}

TEST_F(ComPortTest, LineSettingsApplyToAnOpenPortAndRejectedOnesRaise) {
    TVirtualComPort& com1 = AddPort(1);
    Port.SetComNumber(1);
    Port.SetOpen(true);
    Port.SetBaud(9600);
    Port.SetStopBits(2);
    const termios settings = TerminalSettings(com1);
    EXPECT_EQ(cfgetospeed(&settings), B9600);
    EXPECT_NE(settings.c_cflag & CSTOPB, 0u);

    // A pseudo-terminal always carries 8 data bits without parity, so it refuses 7.
    EXPECT_THROW(Port.SetDataBits(7), EInOutError);
    EXPECT_EQ(Port.DataBits(), 7);
    EXPECT_TRUE(Port.Open());
}

TEST_F(ComPortTest, SettingsStoredWhileClosedReachTheNextOpen) {
    AddPort(1);
    Port.SetComNumber(1);
    Port.SetAvailThreshold(7);
    Port.SetUseEventWord(false);
    Port.SetOpen(true);
    EXPECT_EQ(Port.Dispatcher()->AvailThreshold(), 7u);
    EXPECT_EQ(Port.Dispatcher()->Options() & 4u, 0u);
    Port.SetUseEventWord(true);
    EXPECT_EQ(Port.Dispatcher()->Options() & 4u, 4u);
}

} // namespace
