#pragma once
// Virtual serial ports for tests, benchmarks and the simulated encoder.
//
// TVirtualComDir is a temporary folder that stands in for the machine's serial devices: while it
// lives, QUORVANE_COM_DIR points at it, so port number n opens "<dir>/COM<n>". TVirtualComPort
// is one pseudo-terminal pair: the terminal end is linked as "<dir>/COM<n>" and is what the
// program under test opens; the master end is the peer's (the encoder's) side of the line.
//
// The peer keeps its own descriptor of the terminal end open, so the program on the other side
// can close and reopen the port any number of times without the master end hanging up.
// Unplug() closes both of the peer's ends and leaves the link dangling, which is how a device
// vanishes; Replug() makes a new pair and points the same link at it.
//
// Not thread-safe: one thread owns an instance. Failures to create a pair or a link throw
// std::system_error; reads and writes report what they managed.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

class TVirtualComDir {
public:
    // Creates a fresh folder under $TMPDIR (or /tmp); with setEnvironment, QUORVANE_COM_DIR
    // points at it until destruction, when the previous value comes back.
    explicit TVirtualComDir(bool setEnvironment = true);
    // Uses an existing folder, creating it if needed; it is not removed at destruction.
    TVirtualComDir(std::string path, bool setEnvironment);
    ~TVirtualComDir();
    TVirtualComDir(const TVirtualComDir&) = delete;
    TVirtualComDir& operator=(const TVirtualComDir&) = delete;

    const std::string& Path() const { return Path_; }
    std::string LinkPath(unsigned comNumber) const;

private:
    std::string Path_;
    bool Owned_ = false;
    bool EnvironmentSet_ = false;
    bool HadPreviousValue_ = false;
    std::string PreviousValue_;
};

class TVirtualComPort {
public:
    TVirtualComPort(const TVirtualComDir& dir, unsigned comNumber);
    TVirtualComPort(std::string dir, unsigned comNumber);
    ~TVirtualComPort();
    TVirtualComPort(const TVirtualComPort&) = delete;
    TVirtualComPort& operator=(const TVirtualComPort&) = delete;

    unsigned ComNumber() const { return ComNumber_; }
    const std::string& LinkPath() const { return LinkPath_; }
    const std::string& TerminalPath() const { return TerminalPath_; }
    // The peer's end of the line; -1 while unplugged.
    int MasterFd() const { return MasterFd_; }
    bool Plugged() const { return MasterFd_ >= 0; }

    // Writes every byte, waiting for room as needed; false when the line is gone.
    bool Write(std::string_view bytes);
    // Reads until `count` bytes have arrived or `timeout` has passed; returns what arrived.
    std::string Read(std::size_t count, std::chrono::milliseconds timeout);
    // Returns whatever arrives within `timeout` after the first byte, or nothing.
    std::string ReadAvailable(std::chrono::milliseconds timeout);
    // Discards what the program has written so far.
    void Drain();

    // The device vanishes: both of the peer's ends close and the link dangles, pointing where no
    // device ever appears.
    void Unplug();
    // A new device appears under the same link.
    void Replug();
    // The peer dies without cleaning up: both of its ends close and the link stays, naming the
    // old terminal, whose number the next pseudo-terminal made on this machine may get.
    void Abandon();

private:
    void Plug();
    void PointLinkAt(const std::string& target);
    void CloseEnds();

    std::string Dir_;
    unsigned ComNumber_;
    std::string LinkPath_;
    std::string TerminalPath_;
    int MasterFd_ = -1;
    int TerminalKeepAliveFd_ = -1;
};
