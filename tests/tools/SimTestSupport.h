#pragma once
// Helpers shared by the simulator's tests: hex byte strings, and a peer that opens a virtual
// port's link with open(2) the way a program does.

#include "tools/encoder-sim/encoder/EncoderModel.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// "0A 3F 0D" to the bytes it names; blanks between pairs are optional.
std::string Bytes(std::string_view hex);

// Fault modes by name: Faults("nak garbage"); "silent-after" takes `silentAfter`.
EncoderSim::TFaultModes Faults(std::string_view names,
                               std::optional<std::chrono::milliseconds> silentAfter = {});

// The program's side of a virtual port: opened by its link, closed by Close or destruction.
class TLinkPeer {
public:
    explicit TLinkPeer(const std::string& linkPath);
    ~TLinkPeer();
    TLinkPeer(const TLinkPeer&) = delete;
    TLinkPeer& operator=(const TLinkPeer&) = delete;

    bool IsOpen() const { return Fd_ >= 0; }
    int Fd() const { return Fd_; }
    void Write(std::string_view bytes);
    // Reads until `count` bytes have come or `timeout` has passed.
    std::string Read(std::size_t count, std::chrono::milliseconds timeout);
    // Reads until `marker` has come (returning what came before it) or `timeout` has passed
    // (returning everything, without the marker).
    std::string ReadUntil(char marker, std::chrono::milliseconds timeout);
    void Close();

private:
    int Fd_ = -1;
};

inline constexpr std::chrono::milliseconds ReplyTimeout{5000};
