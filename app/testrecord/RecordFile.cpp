#include "app/testrecord/RecordFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view ByteOrderMark{"\xEF\xBB\xBF"};
constexpr std::string_view LineEnd{"\r\n"};

template <typename TFields> std::string Line(std::string_view first, const TFields& fields) {
    std::string line = CsvField(first);
    for (const std::string& field : fields)
        line += ';' + CsvField(field);
    return line + std::string(LineEnd);
}

} // namespace

std::string RecordFileName(std::string_view date) {
    return "Pruefprotokoll-" + std::string(date) + ".csv";
}

std::string CsvField(std::string_view text) {
    std::string field(text);
    if (!field.empty() && std::string_view("=+-@").find(field.front()) != std::string_view::npos)
        field.insert(field.begin(), '\'');
    const bool quote = field.find_first_of(";\"\r\n") != std::string::npos ||
                       (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!quote)
        return field;
    std::string quoted = "\"";
    for (const char c : field) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvHeaderLine() {
    return Line("Datum", RecordColumnTitles());
}

std::string CsvLine(const TTestRecordRow& row) {
    return Line(row.Alarm.Date, RecordFields(row));
}

std::optional<std::string> AppendRecordLine(const std::string& path, const TTestRecordRow& row) {
    // Non-blocking, so that a pipe of that name without a reader fails instead of hanging the
    // window; on a regular file the flag changes nothing.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::strerror(errno);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return "not a regular file";
    }
    std::string text;
    if (status.st_size == 0)
        text = std::string(ByteOrderMark) + CsvHeaderLine();
    text += CsvLine(row);
    int error = 0;
    for (std::size_t done = 0; done < text.size() && error == 0;) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote > 0)
            done += static_cast<std::size_t>(wrote);
        else if (wrote < 0 && errno != EINTR)
            error = errno;
    }
    // A full disk or a network folder may only report the failure on closing.
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return std::strerror(error);
    return std::nullopt;
}
