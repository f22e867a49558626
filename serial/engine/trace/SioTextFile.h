#pragma once
// Text output of the trace and the dispatch log.
//
// ISioTextSink is where the renderers put their text, so they can be checked without files.
// TSioTextFile writes through its own 512-byte buffer to a file descriptor, so every failing
// write(2) is seen: the first error number is kept and returned (negated) by Close. It owns the
// descriptor and closes it at destruction. Not thread-safe: one owner at a time.

#include "serial/engine/errors/SioResultCodes.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

class ISioTextSink {
public:
    virtual void Write(std::string_view text) = 0;

protected:
    ~ISioTextSink() = default;
};

inline constexpr std::string_view SioLineEnd = "\r\n";

class TSioTextFile final : public ISioTextSink {
public:
    static constexpr std::size_t BufferSize = 512;

    TSioTextFile() = default;
    ~TSioTextFile();
    TSioTextFile(const TSioTextFile&) = delete;
    TSioTextFile& operator=(const TSioTextFile&) = delete;

    // With append the file is extended if it exists; otherwise it is created or truncated.
    // 0 or minus errno.
    TSioResult Open(const std::string& name, bool append);
    // Once an error has been seen, later writes are dropped.
    void Write(std::string_view text) override;
    // Flushes and closes: 0, or minus the first error number seen since Open.
    TSioResult Close();

private:
    void Flush();

    int Descriptor_ = -1;
    int Error_ = 0;
    std::size_t Used_ = 0;
    std::array<char, BufferSize> Buffer_{};
};
