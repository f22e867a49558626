#include "PulseServer.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

std::string Socket(const std::filesystem::path& folder) {
    return (folder / "native").string();
}

} // namespace

bool TPulseServer::Available() {
    return access("/usr/bin/pulseaudio", X_OK) == 0;
}

TPulseServer::TPulseServer() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-pulse-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a folder for the audio server");
    Folder_ = pattern;
    const std::string folder = Folder_.string();
    // Its own home and runtime folders keep it away from any server of the machine's user;
    // running as root needs nothing more for a server that only this test's clients use.
    Server_ = std::make_unique<TChildProcess>(
        "/usr/bin/pulseaudio",
        std::vector<std::string>{
            "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
            "--disallow-module-loading", "--log-target=stderr", "--log-level=error",
            "--load=module-native-protocol-unix auth-anonymous=1 socket=" + Socket(Folder_),
            "--load=module-null-sink sink_name=quorvane_line",
            "--load=module-remap-source master=quorvane_line.monitor channels=1 source_name=" +
                std::string(SourceName) + " source_properties=device.description=Quorvane-Test"},
        std::vector<std::pair<std::string, std::string>>{{"HOME", folder},
                                                         {"XDG_RUNTIME_DIR", folder},
                                                         {"XDG_CONFIG_HOME", folder},
                                                         {"PULSE_RUNTIME_PATH", folder},
                                                         {"PULSE_STATE_PATH", folder}},
        folder);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!std::filesystem::exists(Socket(Folder_))) {
        if (std::chrono::steady_clock::now() > deadline || !Server_->Running())
            throw std::runtime_error("the audio server did not start");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

TPulseServer::~TPulseServer() {
    Server_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(Folder_, ignored);
}

std::vector<std::pair<std::string, std::string>> TPulseServer::ClientEnvironment() const {
    return {{"PULSE_SERVER", "unix:" + Socket(Folder_)},
            {"PULSE_RUNTIME_PATH", Folder_.string()},
            {"PULSE_SINK", "quorvane_line"}};
}
