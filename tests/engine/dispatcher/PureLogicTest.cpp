// Tables for the engine's pure functions: rates, drain delays, open-failure classes, port names,
// the termios mapping, error-counter deltas, the registry's slot reuse, the recorders' flag, the
// notify-window list, the line's claim and status, the workers' bookkeeping and the delivery
// ticket.
#include "serial/engine/dispatcher/SioDetachedDelivery.h"
#include "serial/engine/dispatcher/SioDispatcherRegistry.h"
#include "serial/engine/dispatcher/SioLineClaim.h"
#include "serial/engine/dispatcher/SioLineStatus.h"
#include "serial/engine/dispatcher/SioLineTiming.h"
#include "serial/engine/dispatcher/SioLockedRecorder.h"
#include "serial/engine/dispatcher/SioNotifyWindowList.h"
#include "serial/engine/dispatcher/SioWorkerBook.h"
#include "serial/engine/ports/SioOpenFailure.h"
#include "serial/engine/ports/SioPortNames.h"
#include "serial/engine/posix/SioPosixDevice.h"
#include "serial/engine/posix/SioWorkerThreads.h"
#include "serial/engine/trace/SioTraceStore.h"
#include "tools/virtualport/VirtualComPort.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

TEST(NormaliseRate, MapsLegacyCodesAndKeepsRates) {
    struct {
        std::uint32_t Code;
        std::uint32_t Rate;
    } const table[] = {{0xFEFF, 115200}, {0xFF10, 110},    {0xFF13, 1200},   {0xFF17, 14400},
                       {0xFF1B, 38400},  {0xFF1F, 56000},  {0xFF23, 128000}, {0xFF27, 256000},
                       {0xFF19, 0xFF19}, {0xFF28, 0xFF28}, {1200, 1200},     {0, 0}};
    for (const auto& row : table)
        EXPECT_EQ(NormaliseRate(row.Code), row.Rate) << std::hex << row.Code;
}

TEST(DrainDelay, EighteenCharactersRoundedUp) {
    auto format = [](std::uint8_t size, std::uint8_t parity, std::uint8_t stop) {
        TSioLineSettings settings;
        settings.ByteSize = size;
        settings.Parity = parity;
        settings.StopBits = stop;
        return settings;
    };
    struct {
        TSioLineSettings Format;
        std::uint32_t Rate;
        std::uint32_t Ms;
    } const table[] = {
        {format(8, NoParity, OneStopBit), 1200, 150},
        {format(8, EvenParity, OneStopBit), 1200, 165},
        {format(8, NoParity, TwoStopBits), 1200, 165},
        {format(7, OddParity, TwoStopBits), 9600, 21},
        {format(8, NoParity, OneStopBit), 0xFF13, 150},
        // Under one millisecond the allowance doubles.
        {format(8, NoParity, OneStopBit), 460800, 1},
        {format(8, NoParity, OneStopBit), 115200, 2},
    };
    for (const auto& row : table)
        EXPECT_EQ(DrainDelayMs(row.Format, row.Rate), row.Ms) << row.Rate;
}

TEST(ClassifyOpenResult, SortsErrnoIntoTheFourCases) {
    struct {
        TSioResult Result;
        TSioOpenFailure Class;
    } const table[] = {
        {0, TSioOpenFailure::None},
        {7, TSioOpenFailure::None},
        {-EBUSY, TSioOpenFailure::Busy},
        {-EWOULDBLOCK, TSioOpenFailure::Busy},
        {-ENOENT, TSioOpenFailure::Missing},
        {-ENODEV, TSioOpenFailure::Missing},
        {-ENXIO, TSioOpenFailure::Missing},
        {-ENOTDIR, TSioOpenFailure::Missing},
        {-EIO, TSioOpenFailure::Missing},
        {-EACCES, TSioOpenFailure::NoPermission},
        {-EPERM, TSioOpenFailure::NoPermission},
        {-EINVAL, TSioOpenFailure::Other},
        {ecOutOfMemory, TSioOpenFailure::Other},
        {ecNoHandles, TSioOpenFailure::Other},
    };
    for (const auto& row : table)
        EXPECT_EQ(ClassifyOpenResult(row.Result), row.Class) << row.Result;
}

TEST(PortNames, DisplayNameIsComAndNumber) {
    EXPECT_EQ(PortDisplayName(5), "COM5");
    EXPECT_EQ(PortDisplayName(12), "COM12");
    EXPECT_EQ(PortDisplayName(0), "COM0");
    EXPECT_EQ(PortDisplayName(65535), "COM65535");
}

TEST(PortNames, FixedDeviceMapWithoutOverride) {
    const char* saved = std::getenv("QUORVANE_COM_DIR");
    std::string previous = saved ? saved : "";
    unsetenv("QUORVANE_COM_DIR");
    struct {
        std::uint16_t Port;
        const char* Path;
    } const table[] = {{1, "/dev/ttyS0"},
                       {16, "/dev/ttyS15"},
                       {17, "/dev/ttyUSB0"},
                       {40, "/dev/ttyUSB23"},
                       {41, "/dev/ttyACM0"},
                       {50, "/dev/ttyACM9"},
                       {0, ""},
                       {51, ""}};
    for (const auto& row : table)
        EXPECT_EQ(DevicePath(row.Port), row.Path) << row.Port;
    if (saved)
        setenv("QUORVANE_COM_DIR", previous.c_str(), 1);
}

TEST(PortNames, OverrideFolderHoldsEveryPort) {
    TVirtualComDir dir;
    EXPECT_EQ(DevicePath(7), dir.Path() + "/COM7");
    EXPECT_EQ(DevicePath(50), dir.Path() + "/COM50");
}

struct TTermiosRow {
    std::uint32_t Rate;
    std::uint8_t Size;
    std::uint8_t Parity;
    std::uint8_t Stop;
    tcflag_t Cflag;
};

// Test names show the case, not its bytes.
void PrintTo(const TTermiosRow& c, std::ostream* os) {
    *os << c.Rate << " baud, " << int(c.Size) << " bits, parity " << int(c.Parity) << ", stop "
        << int(c.Stop);
}

class TermiosMapping : public ::testing::TestWithParam<TTermiosRow> {};

TEST_P(TermiosMapping, WritesAndReadsTheFormat) {
    const TTermiosRow& row = GetParam();
    TSioLineSettings settings;
    settings.BaudRate = row.Rate;
    settings.ByteSize = row.Size;
    settings.Parity = row.Parity;
    settings.StopBits = row.Stop;
    termios tio{};
    ASSERT_EQ(SettingsToTermios(settings, tio), 0);
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), row.Cflag);
    EXPECT_TRUE(tio.c_cflag & CLOCAL);
    EXPECT_TRUE(tio.c_cflag & CREAD);
    EXPECT_EQ(cfgetospeed(&tio), RateToSpeed(row.Rate));

    TSioLineSettings back;
    TermiosToSettings(tio, back);
    EXPECT_EQ(back.BaudRate, row.Rate);
    EXPECT_EQ(back.ByteSize, row.Size);
    EXPECT_EQ(back.Parity, row.Parity);
    EXPECT_EQ(back.StopBits, row.Stop);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TermiosMapping,
    ::testing::Values(TTermiosRow{1200, 8, NoParity, OneStopBit, CS8},
                      TTermiosRow{9600, 7, EvenParity, TwoStopBits, CS7 | PARENB | CSTOPB},
                      TTermiosRow{19200, 7, OddParity, OneStopBit, CS7 | PARENB | PARODD},
                      TTermiosRow{115200, 8, MarkParity, OneStopBit,
                                  CS8 | PARENB | PARODD | CMSPAR},
                      TTermiosRow{300, 6, SpaceParity, OneStopBit, CS6 | PARENB | CMSPAR},
                      TTermiosRow{110, 5, NoParity, One5StopBits, CS5 | CSTOPB}));

TEST(TermiosMappingFlow, HandshakesTermiosCanDoAndKeepsTheOthers) {
    TSioLineSettings settings;
    settings.BaudRate = 1200;
    settings.fRtsControl = TSioLineControl::Handshake;
    settings.fOutX = true;
    settings.fInX = true;
    settings.XonChar = 0x21;
    settings.XoffChar = 0x23;
    settings.fDtrControl = TSioLineControl::Handshake;
    settings.fOutxDsrFlow = true;
    termios tio{};
    ASSERT_EQ(SettingsToTermios(settings, tio), 0);
    EXPECT_TRUE(tio.c_cflag & CRTSCTS);
    EXPECT_TRUE(tio.c_iflag & IXON);
    EXPECT_TRUE(tio.c_iflag & IXOFF);
    EXPECT_EQ(tio.c_cc[VSTART], 0x21);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x23);

    TSioLineSettings back = settings;
    TermiosToSettings(tio, back);
    EXPECT_EQ(back, settings);

    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    TermiosToSettings(tio, back);
    EXPECT_EQ(back.fRtsControl, TSioLineControl::Enable);
    EXPECT_FALSE(back.fOutxCtsFlow);
    EXPECT_EQ(back.fDtrControl, TSioLineControl::Handshake);
    EXPECT_TRUE(back.fOutxDsrFlow);
}

TEST(TermiosMappingFlow, RefusesWhatTermiosCannotExpress) {
    struct {
        std::uint32_t Rate;
        std::uint8_t Size;
        std::uint8_t Parity;
    } const table[] = {
        {14400, 8, NoParity}, {1200, 9, NoParity}, {1200, 4, NoParity}, {1200, 8, 5}};
    for (const auto& row : table) {
        TSioLineSettings settings;
        settings.BaudRate = row.Rate;
        settings.ByteSize = row.Size;
        settings.Parity = row.Parity;
        termios tio{};
        EXPECT_EQ(SettingsToTermios(settings, tio), -EINVAL) << row.Rate;
    }
}

TEST(ErrorCounters, GrownCountersGiveTheirBits) {
    TSioErrorCounts before{1, 2, 3, 4, 5};
    EXPECT_EQ(ErrorBitsOfDelta(before, before), 0u);
    EXPECT_EQ(ErrorBitsOfDelta(before, {2, 2, 3, 4, 5}), 1u);
    EXPECT_EQ(ErrorBitsOfDelta(before, {1, 2, 4, 5, 5}), 4u | 8u);
    EXPECT_EQ(ErrorBitsOfDelta(before, {1, 2, 3, 4, 6}), 16u);
}

// Only the lines that changed raise events; a ring's end raises its trailing edge too.
TEST(ModemLines, ChangedLinesGiveTheirEvents) {
    struct {
        std::uint8_t Before;
        std::uint8_t Now;
        std::uint32_t Events;
    } const table[] = {{0xB0, 0xB0, 0},
                       {0x00, 0x10, EvCts},
                       {0x30, 0x10, EvDsr},
                       {0x80, 0x00, EvRlsd},
                       {0x00, 0x40, EvRing},
                       {0x40, 0x00, EvRing | EvRingTrailingEdge},
                       {0x90, 0x20, EvCts | EvDsr | EvRlsd}};
    for (const auto& row : table)
        EXPECT_EQ(ModemEventsOfChange(row.Before, row.Now), row.Events) << std::hex << +row.Now;
}

TEST(Registry, ReusesFreedSlotsAndDropsTrailingOnes) {
    auto* a = reinterpret_cast<TSioBaseDispatcher*>(0x1000);
    auto* b = reinterpret_cast<TSioBaseDispatcher*>(0x2000);
    auto* c = reinterpret_cast<TSioBaseDispatcher*>(0x3000);
    std::lock_guard lock(RegistryLock());
    std::size_t start = DispatcherRegistry().Size();
    std::int32_t ia = DispatcherRegistry().Register(a);
    std::int32_t ib = DispatcherRegistry().Register(b);
    EXPECT_EQ(ib, ia + 1);
    DispatcherRegistry().Unregister(ia);
    EXPECT_EQ(DispatcherRegistry().Lookup(static_cast<std::uint16_t>(ia)), nullptr);
    EXPECT_EQ(DispatcherRegistry().Register(c), ia);
    EXPECT_EQ(DispatcherRegistry().Lookup(static_cast<std::uint16_t>(ia)), c);
    DispatcherRegistry().Unregister(ib);
    EXPECT_EQ(DispatcherRegistry().Size(), static_cast<std::size_t>(ia) + 1);
    DispatcherRegistry().Unregister(ia);
    EXPECT_EQ(DispatcherRegistry().Size(), start);
    EXPECT_EQ(DispatcherRegistry().Lookup(60000), nullptr);
}

// The lock-free flag the per-byte paths read follows the recorder through every operation.
TEST(LockedRecorder, FlagFollowsTheRecorder) {
    TSioTraceStore trace;
    std::recursive_mutex lock;
    TSioLockedRecorder recorder(trace, lock);
    auto expectOn = [&](const char* step, bool on) {
        EXPECT_EQ(recorder.On(), on) << step;
        EXPECT_EQ(trace.Recording(), on) << step;
    };
    EXPECT_EQ(recorder.Start(10), ecOK);
    expectOn("start", true);
    recorder.Pause();
    expectOn("pause", false);
    recorder.Resume();
    expectOn("resume", true);
    EXPECT_EQ(recorder.Clear(), ecOK);
    expectOn("clear", true);
    EXPECT_EQ(recorder.Start(TSioTraceStore::MaxCapacity + 1), ecBadArgument);
    expectOn("refused start", true);
    recorder.Discard();
    expectOn("discard", false);
    recorder.Resume();
    expectOn("resume without a store", false);
    EXPECT_EQ(recorder.Start(10), ecOK);
    EXPECT_EQ(recorder.WriteFile("unused", false, true, false), ecOK);
    expectOn("file without entries", false);
}

// A window removed during a delivery keeps its place, skipped, until the delivery ends.
TEST(NotifyWindowList, RemovalDuringADeliveryWaitsForItsEnd) {
    TSioNotifyWindowList list;
    list.Add(1);
    EXPECT_EQ(list.Only(), 1u);
    list.Add(2);
    EXPECT_EQ(list.Only(), 0u);
    EXPECT_TRUE(list.Remove(1, true));
    EXPECT_FALSE(list.Remove(1, true));
    EXPECT_EQ(list.Size(), 2u);
    EXPECT_TRUE(list.At(0)->Removed);
    EXPECT_EQ(list.At(1)->Window, 2u);
    EXPECT_FALSE(list.At(2));
    EXPECT_EQ(list.Windows(), (std::vector<TSioWindowHandle>{1, 2}));
    EXPECT_EQ(list.Only(), 0u);
    EXPECT_TRUE(list.DropRemoved());
    EXPECT_FALSE(list.DropRemoved());
    EXPECT_EQ(list.Only(), 2u);
    EXPECT_TRUE(list.Remove(2, true));
    EXPECT_EQ(list.Only(), 0u);
    list.DropRemoved();
    EXPECT_TRUE(list.Empty());
    list.Add(3);
    EXPECT_TRUE(list.Remove(3, false));
    EXPECT_TRUE(list.Empty());
}

// A new open leaves the line undecided and forgets a hand-over; a quick handler ends one once.
TEST(LineClaim, RestartMovesAndHandOvers) {
    TSioLineClaim claim;
    claim.NoteHandedOver();
    claim.Restart();
    EXPECT_TRUE(claim.Undecided());
    EXPECT_FALSE(claim.HandedOver());
    EXPECT_TRUE(claim.MoveTo(TSioLineReader::WindowThread));
    EXPECT_FALSE(claim.MoveTo(TSioLineReader::WindowThread));
    EXPECT_TRUE(claim.Is(TSioLineReader::WindowThread));
    claim.NoteHandedOver();
    EXPECT_TRUE(claim.EndHandOver());
    EXPECT_FALSE(claim.EndHandOver());
}

// No worker counts in outside a run or once it stops; the last one out ends the run, and each
// worker is claimed once per open.
TEST(WorkerBook, CountsWorkersOnlyWhileARunLasts) {
    TSioWorkerBook book;
    EXPECT_FALSE(book.CountIn(TSioWorkerKind::Event));
    book.Begin();
    EXPECT_TRUE(book.CountIn(TSioWorkerKind::Event));
    EXPECT_TRUE(book.CountIn(TSioWorkerKind::Output));
    EXPECT_TRUE(book.Alive(TSioWorkerKind::Output));
    book.Stop();
    EXPECT_FALSE(book.CountIn(TSioWorkerKind::Dispatch));
    book.CountOut();
    EXPECT_TRUE(book.Started());
    book.CountOut();
    EXPECT_FALSE(book.Started());

    TSioWorkerThreads threads;
    int admitted = 0;
    const auto admit = [&] { return ++admitted == 1 || admitted == 3; };
    EXPECT_TRUE(threads.Claim(TSioWorkerKind::Event, admit));
    EXPECT_FALSE(threads.Claim(TSioWorkerKind::Event, admit));
    EXPECT_FALSE(threads.Claim(TSioWorkerKind::Output, admit));
    threads.Rearm();
    EXPECT_FALSE(threads.Started(TSioWorkerKind::Event));
    EXPECT_TRUE(threads.Claim(TSioWorkerKind::Output, admit));
}

// Whoever ends a detached delivery first books its end, once; a handler whose send timed out
// before it started never runs.
TEST(DeliveryTicket, EndsOnceWhoeverComesFirst) {
    enum TStep { Start, Finish, Drop, Expire };
    struct {
        std::vector<TStep> Steps;
        bool Started;
        bool Handled;
    } const table[] = {{{Start, Finish, Drop, Expire}, true, true},
                       {{Expire, Start, Finish}, false, false},
                       {{Drop, Start, Expire}, false, false},
                       {{Start, Expire, Finish}, true, false}};
    for (const auto& row : table) {
        int ends = 0;
        bool handled = false;
        TSioDetachedDelivery delivery;
        auto ticket = delivery.Open(7, [&](std::uintptr_t announced, bool wasHandled, bool) {
            EXPECT_EQ(announced, 7u);
            ++ends;
            handled = wasHandled;
            delivery.Close();
        });
        EXPECT_TRUE(delivery.IsOpen());
        bool started = false;
        for (TStep step : row.Steps) {
            if (step == Start)
                started = ticket->Starting();
            else if (step == Finish)
                ticket->Finished();
            else if (step == Drop)
                ticket->Dropped();
            else
                ticket->Expire();
        }
        EXPECT_EQ(started, row.Started);
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(handled, row.Handled);
        EXPECT_FALSE(delivery.IsOpen());
        EXPECT_FALSE(delivery.Deadline());
        delivery.AwaitLastEnd();
    }
}

// Errors are taken by priority and all at once, a break on its own; a line change sets its
// change bit beside the line, and a ring's end sets bit 2 once.
TEST(LineStatus, TakesErrorsByPriorityAndMarksModemChanges) {
    struct {
        std::uint32_t Bits;
        std::int32_t Error;
        bool Break;
    } const table[] = {{0, 0, false},
                       {LineErrorParity | LineErrorOverrun, 2, false},
                       {LineErrorFrame | LineErrorBreak, 4, true},
                       {LineErrorBreak, 9, true}};
    for (const auto& row : table) {
        TSioLineStatus status;
        status.AddErrors(row.Bits);
        EXPECT_EQ(status.TakeError(), row.Error) << row.Bits;
        EXPECT_EQ(status.TakeError(), row.Break ? 9 : 0) << row.Bits;
        EXPECT_EQ(status.TakeBreak(), row.Break) << row.Bits;
        EXPECT_FALSE(status.TakeBreak());
    }
    TSioLineStatus status;
    EXPECT_EQ(status.Refresh(0x90, 0xF0), 0x90);
    status.NoteChange(0x30);
    EXPECT_EQ(status.ModemBits(), 0x30 | 0x08 | 0x02);
    status.NoteRingEnd();
    EXPECT_EQ(status.Refresh(0x30, 0xF0), 0x30 | 0x0A | 0x04);
    EXPECT_EQ(status.Refresh(0x30, 0xF0), 0x30);
}
