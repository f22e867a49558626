#include "serial/engine/trace/SioTextFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

TSioTextFile::~TSioTextFile() {
    if (Descriptor_ >= 0) {
        ::close(Descriptor_);
    }
}

TSioResult TSioTextFile::Open(const std::string& name, bool append) {
    if (Descriptor_ >= 0) {
        Close();
    }
    const int mode = append ? O_APPEND : O_TRUNC;
    Descriptor_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0666);
    Error_ = Descriptor_ < 0 ? errno : 0;
    Used_ = 0;
    return -Error_;
}

void TSioTextFile::Write(std::string_view text) {
    while (!text.empty() && Error_ == 0) {
        const std::size_t part = std::min(text.size(), BufferSize - Used_);
        std::copy_n(text.data(), part, Buffer_.data() + Used_);
        Used_ += part;
        text.remove_prefix(part);
        if (Used_ == BufferSize) {
            Flush();
        }
    }
}

void TSioTextFile::Flush() {
    std::size_t done = 0;
    while (done < Used_ && Error_ == 0) {
        const ssize_t written = ::write(Descriptor_, Buffer_.data() + done, Used_ - done);
        if (written >= 0) {
            done += static_cast<std::size_t>(written);
        } else if (errno != EINTR) {
            Error_ = errno;
        }
    }
    Used_ = 0;
}

TSioResult TSioTextFile::Close() {
    if (Descriptor_ < 0) {
        return -Error_;
    }
    Flush();
    // A failed close(2) still releases the descriptor, so it is never retried.
    if (::close(Descriptor_) != 0 && Error_ == 0) {
        Error_ = errno;
    }
    Descriptor_ = -1;
    return -Error_;
}
