#include "runtime/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int StandardOutputWritten(std::string_view program) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return 0;
    // A write that failed earlier, inside a print, may have left no errno behind.
    const int reason = errno != 0 ? errno : EIO;
    std::fprintf(stderr, "%.*s: cannot write the output: %s\n", static_cast<int>(program.size()),
                 program.data(), std::strerror(reason));
    return 2;
}

int PrintOnStandardOutput(std::string_view program, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return StandardOutputWritten(program);
}
