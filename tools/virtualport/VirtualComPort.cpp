#include "VirtualComPort.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr const char* ComDirVariable = "QUORVANE_COM_DIR";

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
}

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

TVirtualComDir::TVirtualComDir(bool setEnvironment) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvane-com-XXXXXX";
    if (!mkdtemp(pattern.data()))
        ThrowErrno("mkdtemp");
    Path_ = pattern;
    Owned_ = true;
    if (setEnvironment) {
        const char* previous = std::getenv(ComDirVariable);
        HadPreviousValue_ = previous != nullptr;
        if (previous)
            PreviousValue_ = previous;
        setenv(ComDirVariable, Path_.c_str(), 1);
        EnvironmentSet_ = true;
    }
}

TVirtualComDir::TVirtualComDir(std::string path, bool setEnvironment) : Path_(std::move(path)) {
    std::error_code ec;
    std::filesystem::create_directories(Path_, ec);
    if (ec)
        throw std::system_error(ec, "create " + Path_);
    if (setEnvironment) {
        const char* previous = std::getenv(ComDirVariable);
        HadPreviousValue_ = previous != nullptr;
        if (previous)
            PreviousValue_ = previous;
        setenv(ComDirVariable, Path_.c_str(), 1);
        EnvironmentSet_ = true;
    }
}

TVirtualComDir::~TVirtualComDir() {
    if (EnvironmentSet_) {
        if (HadPreviousValue_)
            setenv(ComDirVariable, PreviousValue_.c_str(), 1);
        else
            unsetenv(ComDirVariable);
    }
    if (Owned_) {
        std::error_code ignored;
        std::filesystem::remove_all(Path_, ignored);
    }
}

std::string TVirtualComDir::LinkPath(unsigned comNumber) const {
    return Path_ + "/COM" + std::to_string(comNumber);
}

TVirtualComPort::TVirtualComPort(const TVirtualComDir& dir, unsigned comNumber)
    : TVirtualComPort(dir.Path(), comNumber) {}

TVirtualComPort::TVirtualComPort(std::string dir, unsigned comNumber)
    : Dir_(std::move(dir)), ComNumber_(comNumber),
      LinkPath_(Dir_ + "/COM" + std::to_string(comNumber)) {
    Plug();
}

TVirtualComPort::~TVirtualComPort() {
    CloseEnds();
    unlink(LinkPath_.c_str());
}

void TVirtualComPort::Plug() {
    int master = -1;
    int terminal = -1;
    char name[256] = {};
    if (openpty(&master, &terminal, name, nullptr, nullptr) != 0)
        ThrowErrno("openpty");
    MakeRaw(terminal);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(terminal, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    MasterFd_ = master;
    TerminalKeepAliveFd_ = terminal;
    TerminalPath_ = name;
    try {
        PointLinkAt(TerminalPath_);
    } catch (...) {
        CloseEnds();
        throw;
    }
}

void TVirtualComPort::PointLinkAt(const std::string& target) {
    // Replace the link atomically, so an opener never sees the name missing.
    std::string temporary = LinkPath_ + ".new";
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0 ||
        rename(temporary.c_str(), LinkPath_.c_str()) != 0)
        ThrowErrno("link " + LinkPath_);
}

void TVirtualComPort::CloseEnds() {
    if (MasterFd_ >= 0)
        close(MasterFd_);
    if (TerminalKeepAliveFd_ >= 0)
        close(TerminalKeepAliveFd_);
    MasterFd_ = -1;
    TerminalKeepAliveFd_ = -1;
}

void TVirtualComPort::Unplug() {
    CloseEnds();
    // The old terminal's number goes to the next pseudo-terminal made on this machine, perhaps
    // by a test running alongside; a dangling link to a name that never exists cannot find it.
    PointLinkAt(LinkPath_ + ".unplugged");
}

void TVirtualComPort::Abandon() {
    CloseEnds();
}

void TVirtualComPort::Replug() {
    CloseEnds();
    Plug();
}

bool TVirtualComPort::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        if (MasterFd_ < 0)
            return false;
        ssize_t n = write(MasterFd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        pollfd p{MasterFd_, POLLOUT, 0};
        if (poll(&p, 1, 1000) <= 0 || (p.revents & (POLLERR | POLLNVAL)))
            return false;
    }
    return true;
}

std::string TVirtualComPort::Read(std::size_t count, std::chrono::milliseconds timeout) {
    std::string result;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    while (result.size() < count && MasterFd_ >= 0) {
        std::size_t want = std::min(sizeof buffer, count - result.size());
        ssize_t n = read(MasterFd_, buffer, want);
        if (n > 0) {
            result.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        int left = RemainingMs(deadline);
        if (left == 0)
            break;
        pollfd p{MasterFd_, POLLIN, 0};
        if (poll(&p, 1, left) <= 0)
            break;
        if (!(p.revents & POLLIN))
            break;
    }
    return result;
}

std::string TVirtualComPort::ReadAvailable(std::chrono::milliseconds timeout) {
    std::string result = Read(1, timeout);
    if (result.empty())
        return result;
    // Whatever follows the first byte closely belongs to the same burst.
    for (;;) {
        std::string more = Read(4096, std::chrono::milliseconds(20));
        if (more.empty())
            return result;
        result += more;
    }
}

void TVirtualComPort::Drain() {
    while (!ReadAvailable(std::chrono::milliseconds(0)).empty()) {
    }
}
