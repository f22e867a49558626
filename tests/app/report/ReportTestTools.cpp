#include "tests/app/report/ReportTestTools.h"

#include <cstdio>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

TCommandRun RunCommand(const std::string& command) {
    TCommandRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    char chunk[4096];
    while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
        run.Output.append(chunk, got);
    const int status = pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string PdfText(const std::filesystem::path& pdf) {
    return RunCommand("pdftotext -layout " + Quoted(pdf.string()) + " -").Output;
}

std::vector<std::string> MissingInOrder(const std::string& text,
                                        const std::vector<std::string>& expected) {
    std::vector<std::string> missing;
    std::size_t at = 0;
    for (const std::string& part : expected) {
        const std::size_t found = text.find(part, at);
        if (found == std::string::npos)
            missing.push_back(part);
        else
            at = found + part.size();
    }
    return missing;
}

TReadOnlyFolder::TReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_read |
                                              std::filesystem::perms::owner_exec);
    if (geteuid() == 0)
        RunCommand("chattr +i " + Quoted(folder_.string()));
}

TReadOnlyFolder::~TReadOnlyFolder() {
    if (geteuid() == 0)
        RunCommand("chattr -i " + Quoted(folder_.string()));
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
}

TTinyDisk::TTinyDisk(std::filesystem::path folder) : folder_(std::move(folder)) {
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=8k") == 0;
}

TTinyDisk::~TTinyDisk() {
    if (mounted_)
        ::umount(folder_.c_str());
}
