#include "serial/engine/trace/SioClock.h"

#include <fstream>
#include <iterator>
#include <sys/utsname.h>

std::string ComposeOsDescription(std::string_view prettyName, std::string_view systemName,
                                 std::string_view release, std::string_view build) {
    std::string kernel;
    for (const std::string_view part : {systemName, release, build}) {
        if (!part.empty()) {
            kernel += kernel.empty() ? "" : " ";
            kernel += part;
        }
    }
    std::string description(prettyName);
    if (!description.empty() && !kernel.empty()) {
        description += ", ";
    }
    description += kernel;
    return description.substr(0, SioOsDescriptionLimit);
}

std::string OsReleasePrettyName(std::string_view osReleaseText) {
    constexpr std::string_view Key = "PRETTY_NAME=";
    while (!osReleaseText.empty()) {
        const std::size_t end = osReleaseText.find('\n');
        std::string_view line = osReleaseText.substr(0, end);
        osReleaseText.remove_prefix(end == std::string_view::npos ? osReleaseText.size() : end + 1);
        if (!line.starts_with(Key)) {
            continue;
        }
        line.remove_prefix(Key.size());
        if (line.size() >= 2 && (line.front() == '"' || line.front() == '\'') &&
            line.back() == line.front()) {
            line = line.substr(1, line.size() - 2);
        }
        return std::string(line);
    }
    return {};
}

namespace {

std::string ReadOsRelease() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream file(path);
        if (file) {
            return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        }
    }
    return {};
}

} // namespace

std::string SioOsDescription() {
    utsname names{};
    if (uname(&names) != 0) {
        return ComposeOsDescription(OsReleasePrettyName(ReadOsRelease()), "", "", "");
    }
    return ComposeOsDescription(OsReleasePrettyName(ReadOsRelease()), names.sysname, names.release,
                                names.version);
}
