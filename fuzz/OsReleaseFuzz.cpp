// The os-release reader and the system description of the dispatch log over any text.
//
// Input: three length bytes that cut the start of the input into the kernel name, release and
// build text; the rest is an os-release file. The pretty name is one line's value, without its
// quotes; the description never passes its limit and starts with the pretty name.

#include "fuzz/FuzzCheck.h"
#include "serial/engine/trace/SioClock.h"

#include <string>

namespace {

void CheckPrettyName(std::string_view osRelease, const std::string& name) {
    FUZZ_CHECK(name.find('\n') == std::string::npos);
    if (!name.empty()) {
        FUZZ_CHECK(osRelease.find("PRETTY_NAME=" + name) != std::string_view::npos ||
                   osRelease.find("PRETTY_NAME=\"" + name + "\"") != std::string_view::npos ||
                   osRelease.find("PRETTY_NAME='" + name + "'") != std::string_view::npos);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const std::size_t systemLength = input.Byte();
    const std::size_t releaseLength = input.Byte();
    const std::size_t buildLength = input.Byte();
    const std::string_view systemName = input.Take(systemLength);
    const std::string_view release = input.Take(releaseLength);
    const std::string_view build = input.Take(buildLength);
    const std::string_view osRelease = input.Rest();

    const std::string name = OsReleasePrettyName(osRelease);
    CheckPrettyName(osRelease, name);
    const std::string description = ComposeOsDescription(name, systemName, release, build);
    FUZZ_CHECK(description.size() <= SioOsDescriptionLimit);
    FUZZ_CHECK(description.starts_with(name.substr(0, SioOsDescriptionLimit)));
    return 0;
}
