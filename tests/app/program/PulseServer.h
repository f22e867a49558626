#pragma once
// A private PulseAudio server for one test: its own runtime folder, a null sink that takes
// whatever is played, and a plain source "quorvane_tones" that hears that sink's monitor (Qt
// lists no monitor sources, so the remap makes it choosable as a tone input). Clients reach it
// through ClientEnvironment(); the destructor stops the server and removes its folder.
//
// Available() says whether the pulseaudio program exists at all; the constructor throws
// std::runtime_error when the server does not come up.

#include "ChildProcess.h"

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TPulseServer {
public:
    static constexpr const char* SourceName = "quorvane_tones";

    static bool Available();
    TPulseServer();
    ~TPulseServer();
    TPulseServer(const TPulseServer&) = delete;
    TPulseServer& operator=(const TPulseServer&) = delete;

    std::vector<std::pair<std::string, std::string>> ClientEnvironment() const;

private:
    std::filesystem::path Folder_;
    std::unique_ptr<TChildProcess> Server_;
};
