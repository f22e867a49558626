#include "app/testrecord/RecordFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr std::string_view ByteOrderMark{"\xEF\xBB\xBF"};
constexpr std::string_view LineEnd{"\r\n"};

template <typename TFields> std::string Line(std::string_view first, const TFields& fields) {
    std::string line = CsvField(first);
    for (const std::string& field : fields)
        line += ';' + CsvField(field);
    return line + std::string(LineEnd);
}

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

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
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "ab"));
    if (!file)
        return std::strerror(errno);
    std::string text;
    if (std::fseek(file.get(), 0, SEEK_END) == 0 && std::ftell(file.get()) == 0)
        text = std::string(ByteOrderMark) + CsvHeaderLine();
    text += CsvLine(row);
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    const int writeError = errno != 0 ? errno : EIO;
    // Closing flushes, and a full disk may only show there.
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed)
        return std::strerror(written ? errno : writeError);
    return std::nullopt;
}
