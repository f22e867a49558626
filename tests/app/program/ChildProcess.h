#pragma once
// A program started by a test: its own working folder and extra environment, its standard
// output on a pipe read line by line with a deadline, and a stop that ends it for sure.
//
// One thread owns an instance. Start failures throw std::system_error; the destructor stops a
// running child (SIGTERM, then SIGKILL if it has not ended within a few seconds) and reaps it.

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

class TChildProcess {
public:
    TChildProcess(std::string program, std::vector<std::string> arguments,
                  std::vector<std::pair<std::string, std::string>> environment,
                  std::string workingFolder);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    // The next line of standard output (without its newline), or nothing once `timeout` has
    // passed or the output has ended.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    // Sends `signal`, and SIGKILL when the child has not ended within `grace`; returns the wait
    // status.
    int Stop(int signal = SIGTERM, std::chrono::milliseconds grace = std::chrono::seconds(5));
    bool Running() const { return Pid_ > 0; }

private:
    pid_t Pid_ = -1;
    int Output_ = -1;
    int PidFd_ = -1;
    std::string Buffer_;
};
