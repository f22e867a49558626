#include "app/testrecord/RecordFile.h"

#include "app/testrecord/RecordCsv.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::string_view ByteOrderMark{"\xEF\xBB\xBF"};

// Another writer of the record holds the lock only for one write; a lock held longer belongs to
// something else (a backup, a spreadsheet), and the row then waits in the caller's queue rather
// than the window waiting on the file.
constexpr int LockTries = 5;
constexpr auto LockPause = std::chrono::milliseconds(1);

// 0, or the errno of the failure; EWOULDBLOCK while someone else holds the lock.
int LockBriefly(int fd) {
    for (int attempt = 1;; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return 0;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return errno;
        if (attempt == LockTries)
            return EWOULDBLOCK;
        std::this_thread::sleep_for(LockPause);
    }
}

} // namespace

std::string RecordFileName(std::string_view date) {
    return "Pruefprotokoll-" + std::string(date) + ".csv";
}

std::string UnsavedRecordFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && *state == '/')
        return std::string(state) + "/quorvane";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/state/quorvane";
}

std::optional<std::string> AppendRecordLine(const std::string& path, const TTestRecordRow& row) {
    // Non-blocking, so that a pipe of that name without a reader fails instead of hanging the
    // window; on a regular file the flag changes nothing.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::strerror(errno);
    struct stat status {};
    int error = 0;
    if (const int locked = LockBriefly(fd); locked != 0)
        error = locked;
    else if (::fstat(fd, &status) != 0)
        error = errno;
    else if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return "not a regular file";
    }
    if (error == 0) {
        std::string text;
        if (status.st_size == 0)
            text = std::string(ByteOrderMark) + CsvHeaderLine();
        text += CsvLine(row);
        // One write takes the whole text unless the disk fills up; the rest is tried once more
        // only to learn why.
        for (std::size_t done = 0; done < text.size() && error == 0;) {
            const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
            if (wrote > 0)
                done += static_cast<std::size_t>(wrote);
            else if (wrote == 0)
                error = ENOSPC;
            else if (errno != EINTR)
                error = errno;
        }
        // A part of a line would have the next line glued onto it.
        if (error != 0) {
            [[maybe_unused]] const int cut = ::ftruncate(fd, status.st_size);
        }
    }
    // A full disk or a network folder may only report the failure on closing.
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == EWOULDBLOCK)
        return "locked by another program";
    if (error != 0)
        return std::strerror(error);
    return std::nullopt;
}

std::vector<TTestRecordRow>
AppendRows(std::vector<TTestRecordRow> rows,
           const std::function<std::string(const TTestRecordRow&)>& pathOf) {
    std::vector<TTestRecordRow> failed;
    for (TTestRecordRow& row : rows)
        if (AppendRecordLine(pathOf(row), row))
            failed.push_back(std::move(row));
    return failed;
}

std::vector<TTestRecordRow> SaveWhereverPossible(std::vector<TTestRecordRow> rows,
                                                 const std::string& program) {
    rows = AppendRows(std::move(rows),
                      [](const TTestRecordRow& row) { return RecordFileName(row.Alarm.Date); });
    if (rows.empty())
        return rows;
    const std::string folder = UnsavedRecordFolder();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::size_t unsaved = rows.size();
    rows = AppendRows(std::move(rows), [&folder](const TTestRecordRow& row) {
        return folder + "/" + RecordFileName(row.Alarm.Date);
    });
    std::fprintf(stderr,
                 "%s: %zu test record rows could not be written to the working folder; %zu of "
                 "them are saved in %s\n",
                 program.c_str(), unsaved, unsaved - rows.size(), folder.c_str());
    return rows;
}
