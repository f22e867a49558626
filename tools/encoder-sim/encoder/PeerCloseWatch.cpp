#include "tools/encoder-sim/encoder/PeerCloseWatch.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace EncoderSim {

TPeerCloseWatch::TPeerCloseWatch(const std::string& terminalPath) {
    TFileDescriptor terminal(
        open(terminalPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    TFileDescriptor notify(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!terminal.Valid() || !notify.Valid() ||
        inotify_add_watch(notify.Get(), terminalPath.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) <
            0)
        return;
    Terminal_ = std::move(terminal);
    Notify_ = std::move(notify);
}

std::size_t TPeerCloseWatch::TakeCloses() {
    std::size_t closes = 0;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t got = read(Notify_.Get(), buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            closes += (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) != 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (closes > 0)
        ioctl(Terminal_.Get(), TIOCNXCL);
    return closes;
}

} // namespace EncoderSim
