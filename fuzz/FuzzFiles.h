#pragma once
// Files for the fuzz targets that write text files.
//
// FuzzFilePath names a file in a private temporary folder (in /dev/shm, else /tmp) that the
// process creates on first use and removes at exit. ReadWholeFile and ReplaceFile are plain
// whole-file operations (nullopt / false on failure); WrittenText checks and cuts out what a
// writer added to a file. SplitCrLfLines cuts a text at CR LF and says whether any other CR or
// LF was left inside a line. One thread, like libFuzzer's runner.

#include "fuzz/FuzzCheck.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TFuzzFolder {
public:
    // In memory where possible: a disk file system may flush a truncated file on close, which
    // would make the disk, not the writer, set the pace.
    TFuzzFolder() {
        for (const char* base : {"/dev/shm", "/tmp"}) {
            std::string pattern = std::string(base) + "/quorvane-fuzz-XXXXXX";
            if (mkdtemp(pattern.data()) != nullptr) {
                Path_ = pattern;
                break;
            }
        }
        FUZZ_CHECK(!Path_.empty());
    }
    ~TFuzzFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Path_, ignored);
    }
    TFuzzFolder(const TFuzzFolder&) = delete;
    TFuzzFolder& operator=(const TFuzzFolder&) = delete;

    const std::string& Path() const { return Path_; }

private:
    std::string Path_;
};

inline std::string FuzzFilePath(std::string_view name) {
    static const TFuzzFolder Folder;
    return Folder.Path() + "/" + std::string(name);
}

inline std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        return std::nullopt;
    }
    return content;
}

inline bool ReplaceFile(const std::string& path, std::string_view content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(file);
}

// What a write added to a file that held `previous`: nullopt when the writer was to write nothing
// (the file must then be unchanged); the text behind `previous` after an append; else the file.
inline std::optional<std::string> WrittenText(const std::string& path, std::string_view previous,
                                              bool append, bool expectWrite) {
    const std::optional<std::string> content = ReadWholeFile(path);
    FUZZ_CHECK(content.has_value());
    std::string_view text = *content;
    if (!expectWrite) {
        FUZZ_CHECK(text == previous);
        return std::nullopt;
    }
    if (append) {
        FUZZ_CHECK(text.starts_with(previous));
        text.remove_prefix(previous.size());
    }
    return std::string(text);
}

struct TCrLfLines {
    std::vector<std::string_view> Lines; // without their CR LF
    bool EndsWithLineEnd = false;
    bool StrayBreak = false; // a CR or LF that is not part of a CR LF pair
};

inline TCrLfLines SplitCrLfLines(std::string_view text) {
    TCrLfLines result;
    result.EndsWithLineEnd = text.ends_with("\r\n");
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        const std::string_view line = text.substr(0, end);
        result.StrayBreak = result.StrayBreak || line.find_first_of("\r\n") != line.npos;
        result.Lines.push_back(line);
        text.remove_prefix(end == text.npos ? text.size() : end + 2);
    }
    return result;
}
