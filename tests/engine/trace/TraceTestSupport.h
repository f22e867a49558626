#pragma once
// Helpers of the trace and log tests: a temporary folder removed with its contents, whole-file
// reads, and a text sink that collects into a string.

#include "serial/engine/trace/SioTextFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

class TTempFolder {
public:
    TTempFolder() {
        const std::filesystem::path pattern =
            std::filesystem::temp_directory_path() / "quorvane-trace-XXXXXX";
        std::string name = pattern.string();
        if (mkdtemp(name.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        }
        Path_ = name;
    }
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Path_, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    std::string File(std::string_view name) const { return (Path_ / name).string(); }

private:
    std::filesystem::path Path_;
};

inline std::string ReadWholeFile(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + name);
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::string& name, std::string_view text) {
    std::ofstream file(name, std::ios::binary);
    file << text;
}

class TStringSink final : public ISioTextSink {
public:
    void Write(std::string_view text) override { Text += text; }
    std::string Text;
};
