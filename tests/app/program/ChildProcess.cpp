#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace {

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Waits until the child has ended or `timeout` has passed; true when it has ended.
bool WaitForExit(int pidFd, std::chrono::milliseconds timeout) {
    pollfd entry{pidFd, POLLIN, 0};
    return poll(&entry, 1, static_cast<int>(timeout.count())) > 0;
}

} // namespace

TChildProcess::TChildProcess(std::string program, std::vector<std::string> arguments,
                             std::vector<std::pair<std::string, std::string>> environment,
                             std::string workingFolder) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        ThrowSystemError("pipe2");
    std::vector<char*> argv;
    argv.push_back(program.data());
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    // The environment is built before fork: a child of a threaded process may only make
    // async-signal-safe calls until it execs.
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable(*entry);
        const std::string name = variable.substr(0, variable.find('='));
        bool overridden = false;
        for (const auto& change : environment)
            overridden = overridden || change.first == name;
        if (!overridden)
            variables.push_back(variable);
    }
    for (const auto& [name, value] : environment)
        variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        ThrowSystemError("fork");
    }
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        if (chdir(workingFolder.c_str()) != 0)
            _exit(126);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(pipeFds[1]);
    Pid_ = pid;
    Output_ = pipeFds[0];
    PidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

TChildProcess::~TChildProcess() {
    Stop();
    if (Output_ >= 0)
        close(Output_);
}

std::optional<std::string> TChildProcess::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const auto end = Buffer_.find('\n'); end != std::string::npos) {
            std::string line = Buffer_.substr(0, end);
            Buffer_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || Output_ < 0)
            return std::nullopt;
        pollfd entry{Output_, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char block[4096];
        const ssize_t got = read(Output_, block, sizeof block);
        if (got <= 0) {
            close(Output_);
            Output_ = -1;
            continue;
        }
        Buffer_.append(block, static_cast<std::size_t>(got));
    }
}

int TChildProcess::Stop(int signal, std::chrono::milliseconds grace) {
    if (Pid_ <= 0)
        return 0;
    kill(Pid_, signal);
    if (PidFd_ < 0 || !WaitForExit(PidFd_, grace))
        kill(Pid_, SIGKILL);
    int status = 0;
    while (waitpid(Pid_, &status, 0) < 0 && errno == EINTR) {
    }
    Pid_ = -1;
    if (PidFd_ >= 0) {
        close(PidFd_);
        PidFd_ = -1;
    }
    return status;
}
