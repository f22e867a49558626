#pragma once
// The termios and ioctl side of a serial device: exclusive opening, the mapping between the
// dispatcher's line settings record and termios, modem lines and error counters.
//
// Free functions without state, any thread; each works on the descriptor it is given. Failures
// are minus errno. Every failure after open(2) closes the descriptor before returning.

#include "serial/engine/dispatcher/SioLineSettings.h"

#include <array>
#include <cstdint>
#include <string>
#include <termios.h>

// open(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC), flock(LOCK_EX | LOCK_NB), TIOCEXCL and a
// tcgetattr that proves there is a device. The descriptor, or minus errno: -EBUSY for a terminal
// another opener has made exclusive (root included), -ENODEV for the pseudo-terminal
// multiplexer, which is no port.
int OpenExclusiveTty(const std::string& path);
// Raw 8N1, CLOCAL | CREAD, no flow control, VMIN 1 / VTIME 0, stale bytes dropped. 0 or -errno.
int ConfigureRawTty(int fd);
// Gives up the exclusive use and closes.
void CloseTty(int fd);

// Baud rate to termios speed; B0 for a rate termios does not know.
speed_t RateToSpeed(std::uint32_t rate);
std::uint32_t SpeedToRate(speed_t speed);
// Puts the record's rate, format and flow fields into `tio`; 0 or -EINVAL for a rate, byte size
// or parity termios cannot express. DTR handshake, DSR flow and RTS toggle have no termios
// counterpart and are left to the dispatcher's record.
int SettingsToTermios(const TSioLineSettings& settings, termios& tio);
// Puts the record's fields on the device, unless that would change nothing; 0 or minus errno
// (-EINVAL as SettingsToTermios).
int ApplyTtySettings(int fd, const TSioLineSettings& settings);
// Reads the fields termios holds into `settings`, leaving the others as they are.
void TermiosToSettings(const termios& tio, TSioLineSettings& settings);

// Modem lines in the 16550 layout (CTS 0x10, DSR 0x20, RI 0x40, DCD 0x80); -ENOTTY and the like
// when the device has none (a pseudo-terminal).
int ReadModemLineBits(int fd);
// The Ev* bits (CTS, DSR, RLSD, ring and its trailing edge) of a change of the modem lines.
std::uint32_t ModemEventsOfChange(std::uint8_t before, std::uint8_t now);
// Raises (on) or lowers a TIOCM_* line.
int SetModemLine(int fd, int line, bool on);
// Receive overflow, overrun, parity, framing and break counts; -errno when the driver keeps none.
using TSioErrorCounts = std::array<std::uint32_t, 5>;
int ReadErrorCounts(int fd, TSioErrorCounts& counts);
// The line-error bits (1, 2, 4, 8, 16) of the counts that grew.
std::uint32_t ErrorBitsOfDelta(const TSioErrorCounts& before, const TSioErrorCounts& after);
