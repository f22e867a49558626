#include "tests/tools/SimTestSupport.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

std::string Bytes(std::string_view hex) {
    std::string bytes;
    std::string pair;
    for (char c : hex) {
        if (c == ' ')
            continue;
        pair += c;
        if (pair.size() == 2) {
            bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
            pair.clear();
        }
    }
    if (!pair.empty())
        throw std::invalid_argument("odd hex string");
    return bytes;
}

EncoderSim::TFaultModes Faults(std::string_view names,
                               std::optional<std::chrono::milliseconds> silentAfter) {
    EncoderSim::TFaultModes faults;
    faults.Silent = names.find("silent") != std::string_view::npos;
    faults.Nak = names.find("nak") != std::string_view::npos;
    faults.Garbage = names.find("garbage") != std::string_view::npos;
    faults.SilentAfter = silentAfter;
    return faults;
}

TLinkPeer::TLinkPeer(const std::string& linkPath)
    : Fd_(open(linkPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}

TLinkPeer::~TLinkPeer() {
    Close();
}

void TLinkPeer::Close() {
    if (Fd_ >= 0)
        close(Fd_);
    Fd_ = -1;
}

void TLinkPeer::Write(std::string_view bytes) {
    while (Fd_ >= 0 && !bytes.empty()) {
        ssize_t written = write(Fd_, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            throw std::runtime_error("write to the link failed");
        pollfd p{Fd_, POLLOUT, 0};
        poll(&p, 1, 1000);
    }
}

std::string TLinkPeer::Read(std::size_t count, std::chrono::milliseconds timeout) {
    std::string result;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Fd_ >= 0 && result.size() < count) {
        char buffer[256];
        ssize_t got = read(Fd_, buffer, std::min(sizeof buffer, count - result.size()));
        if (got > 0) {
            result.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{Fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
    }
    return result;
}

std::string TLinkPeer::ReadUntil(char marker, std::chrono::milliseconds timeout) {
    std::string result;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        std::string next = Read(1, std::max(left, std::chrono::milliseconds(0)));
        if (next.empty() || next[0] == marker)
            return result;
        result += next;
    }
}
