#include "app/fixedcodes/CodeListFile.h"

#include "app/fixedcodes/CodeList.h"

#include <cstdio>
#include <memory>

namespace {
struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
} // namespace

std::optional<std::vector<std::string>> ReadCodeListFile(const std::string& path) {
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    std::string content;
    char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        content.append(block, got);
    // A read error part-way (a folder by that name, an I/O fault) must not pass as a short list.
    if (std::ferror(file.get()))
        return std::nullopt;
    return SplitCodeList(content);
}
