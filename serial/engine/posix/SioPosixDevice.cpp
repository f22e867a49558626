#include "serial/engine/posix/SioPosixDevice.h"

#include "serial/engine/dispatcher/SioDispatcherFlags.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <linux/major.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct TRateSpeed {
    std::uint32_t Rate;
    speed_t Speed;
};

constexpr TRateSpeed Rates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// Closes the descriptor unless released, so every early return of an open gives it back.
class TDescriptorGuard {
public:
    explicit TDescriptorGuard(int fd) : Fd_(fd) {}
    ~TDescriptorGuard() {
        if (Fd_ >= 0)
            close(Fd_);
    }
    TDescriptorGuard(const TDescriptorGuard&) = delete;
    TDescriptorGuard& operator=(const TDescriptorGuard&) = delete;
    int Release() {
        int fd = Fd_;
        Fd_ = -1;
        return fd;
    }

private:
    int Fd_;
};

// Whether setting `a` would change nothing on a device that has `b`.
bool SameTermios(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::equal(std::begin(a.c_cc), std::end(a.c_cc), b.c_cc) &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

// The pseudo-terminal multiplexer (/dev/ptmx, /dev/pts/ptmx): character device 5, 2.
bool IsPtyMultiplexer(const std::string& path) {
    struct stat node {};
    return stat(path.c_str(), &node) == 0 && S_ISCHR(node.st_mode) &&
           major(node.st_rdev) == TTYAUX_MAJOR && minor(node.st_rdev) == 2;
}

} // namespace

int OpenExclusiveTty(const std::string& path) {
    // Opening the multiplexer would make a fresh master each time, never reach a line.
    if (IsPtyMultiplexer(path))
        return -ENODEV;
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    TDescriptorGuard guard(fd);
    // The advisory lock is what stops a second opener running as root, which TIOCEXCL does not.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return -errno;
    // Root passes another program's TIOCEXCL, so its flag is asked for: that program holds the
    // line, and the flag stays its own (we never set, and so never clear, it).
    if (int exclusive = 0; ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0)
        return -EBUSY;
    if (ioctl(fd, TIOCEXCL) != 0)
        return -errno;
    termios tio{};
    // A built-in port slot without a chip opens, then fails here with EIO.
    if (tcgetattr(fd, &tio) != 0) {
        int error = errno;
        ioctl(fd, TIOCNXCL);
        return -error;
    }
    return guard.Release();
}

int ConfigureRawTty(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return -errno;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        return -errno;
    if (tcflush(fd, TCIOFLUSH) != 0)
        return -errno;
    return 0;
}

void CloseTty(int fd) {
    if (fd < 0)
        return;
    // The flag stays on the tty while anyone else holds it open, which would refuse our own
    // next open. It is ours: an open that finds it set by another program is refused.
    ioctl(fd, TIOCNXCL);
    close(fd);
}

speed_t RateToSpeed(std::uint32_t rate) {
    for (const auto& entry : Rates)
        if (entry.Rate == rate)
            return entry.Speed;
    return B0;
}

std::uint32_t SpeedToRate(speed_t speed) {
    for (const auto& entry : Rates)
        if (entry.Speed == speed)
            return entry.Rate;
    return 0;
}

int SettingsToTermios(const TSioLineSettings& settings, termios& tio) {
    speed_t speed = RateToSpeed(settings.BaudRate);
    if (speed == B0)
        return -EINVAL;
    tcflag_t size;
    switch (settings.ByteSize) {
    case 5:
        size = CS5;
        break;
    case 6:
        size = CS6;
        break;
    case 7:
        size = CS7;
        break;
    case 8:
        size = CS8;
        break;
    default:
        return -EINVAL;
    }
    tcflag_t parity;
    switch (settings.Parity) {
    case NoParity:
        parity = 0;
        break;
    case OddParity:
        parity = PARENB | PARODD;
        break;
    case EvenParity:
        parity = PARENB;
        break;
    case MarkParity:
        parity = PARENB | CMSPAR | PARODD;
        break;
    case SpaceParity:
        parity = PARENB | CMSPAR;
        break;
    default:
        return -EINVAL;
    }
    if (settings.StopBits > TwoStopBits)
        return -EINVAL;

    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= size | parity | CLOCAL | CREAD;
    // With five data bits termios' two stop bits are one and a half.
    if (settings.StopBits != OneStopBit)
        tio.c_cflag |= CSTOPB;
    if (settings.fOutxCtsFlow || settings.fRtsControl == TSioLineControl::Handshake)
        tio.c_cflag |= CRTSCTS;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    if (settings.fOutX)
        tio.c_iflag |= IXON;
    if (settings.fInX)
        tio.c_iflag |= IXOFF;
    if (parity != 0)
        tio.c_iflag |= INPCK;
    tio.c_cc[VSTART] = static_cast<cc_t>(settings.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(settings.XoffChar);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    return 0;
}

int ApplyTtySettings(int fd, const TSioLineSettings& settings) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return -errno;
    const termios current = tio;
    if (int mapped = SettingsToTermios(settings, tio); mapped < 0)
        return mapped;
    // A port's settings are replayed as a whole after every open: most of them change nothing.
    if (SameTermios(tio, current))
        return 0;
    return tcsetattr(fd, TCSANOW, &tio) != 0 ? -errno : 0;
}

void TermiosToSettings(const termios& tio, TSioLineSettings& settings) {
    if (std::uint32_t rate = SpeedToRate(cfgetospeed(&tio)); rate != 0)
        settings.BaudRate = rate;
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        settings.ByteSize = 5;
        break;
    case CS6:
        settings.ByteSize = 6;
        break;
    case CS7:
        settings.ByteSize = 7;
        break;
    default:
        settings.ByteSize = 8;
        break;
    }
    if (!(tio.c_cflag & PARENB))
        settings.Parity = NoParity;
    else if (tio.c_cflag & CMSPAR)
        settings.Parity = (tio.c_cflag & PARODD) ? MarkParity : SpaceParity;
    else
        settings.Parity = (tio.c_cflag & PARODD) ? OddParity : EvenParity;
    if (!(tio.c_cflag & CSTOPB))
        settings.StopBits = OneStopBit;
    else
        settings.StopBits = settings.ByteSize == 5 ? One5StopBits : TwoStopBits;
    if (tio.c_cflag & CRTSCTS) {
        if (!settings.fOutxCtsFlow && settings.fRtsControl != TSioLineControl::Handshake) {
            settings.fOutxCtsFlow = true;
            settings.fRtsControl = TSioLineControl::Handshake;
        }
    } else {
        settings.fOutxCtsFlow = false;
        if (settings.fRtsControl == TSioLineControl::Handshake)
            settings.fRtsControl = TSioLineControl::Enable;
    }
    settings.fOutX = (tio.c_iflag & IXON) != 0;
    settings.fInX = (tio.c_iflag & IXOFF) != 0;
    settings.XonChar = tio.c_cc[VSTART];
    settings.XoffChar = tio.c_cc[VSTOP];
}

int ReadModemLineBits(int fd) {
    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) != 0)
        return -errno;
    int bits = 0;
    if (lines & TIOCM_CTS)
        bits |= 0x10;
    if (lines & TIOCM_DSR)
        bits |= 0x20;
    if (lines & TIOCM_RNG)
        bits |= 0x40;
    if (lines & TIOCM_CAR)
        bits |= 0x80;
    return bits;
}

int SetModemLine(int fd, int line, bool on) {
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0)
        return -errno;
    return 0;
}

int ReadErrorCounts(int fd, TSioErrorCounts& counts) {
    serial_icounter_struct icount{};
    if (ioctl(fd, TIOCGICOUNT, &icount) != 0)
        return -errno;
    counts = {static_cast<std::uint32_t>(icount.buf_overrun),
              static_cast<std::uint32_t>(icount.overrun), static_cast<std::uint32_t>(icount.parity),
              static_cast<std::uint32_t>(icount.frame), static_cast<std::uint32_t>(icount.brk)};
    return 0;
}

std::uint32_t ModemEventsOfChange(std::uint8_t before, std::uint8_t now) {
    const std::uint8_t changed = before ^ now;
    std::uint32_t mask = 0;
    if (changed & 0x10)
        mask |= EvCts;
    if (changed & 0x20)
        mask |= EvDsr;
    if (changed & 0x80)
        mask |= EvRlsd;
    if (changed & 0x40)
        mask |= (now & 0x40) ? EvRing : EvRing | EvRingTrailingEdge;
    return mask;
}

std::uint32_t ErrorBitsOfDelta(const TSioErrorCounts& before, const TSioErrorCounts& after) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i])
            bits |= 1u << i;
    return bits;
}
