#include "app/testrecord/RecordCsv.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::string_view ByteOrderMark{"\xEF\xBB\xBF"};
constexpr std::string_view LineEnd{"\r\n"};

template <typename TFields> std::string Line(std::string_view first, const TFields& fields) {
    std::string line = CsvField(first);
    for (const std::string& field : fields)
        line += ';' + CsvField(field);
    return line + std::string(LineEnd);
}

// The record's guard against spreadsheet formulas comes off again.
std::string Unguarded(std::string field) {
    if (field.size() >= 2 && field.front() == '\'' &&
        std::string_view("=+-@").find(field[1]) != std::string_view::npos)
        field.erase(field.begin());
    return field;
}

bool SpansLines(const std::vector<std::string>& fields) {
    return std::any_of(fields.begin(), fields.end(), [](const std::string& field) {
        return field.find_first_of("\r\n") != std::string::npos;
    });
}

class TCsvScanner {
public:
    explicit TCsvScanner(std::string_view text) : Text_(text) {}

    bool AtEnd() const { return At_ >= Text_.size(); }
    std::size_t Line() const { return Line_; }

    // The next record; empty when a quote is still open at the end.
    std::optional<std::vector<std::string>> Next() {
        std::vector<std::string> fields;
        std::string field;
        bool quoted = false;
        while (!AtEnd()) {
            const char c = Text_[At_++];
            const bool crBeforeLf = c == '\r' && !AtEnd() && Text_[At_] == '\n';
            // A lone CR ends a line too: older editors save with CR alone.
            if (c == '\n' || (c == '\r' && !crBeforeLf))
                ++Line_;
            if (quoted) {
                if (c != '"')
                    field += c;
                else if (!AtEnd() && Text_[At_] == '"')
                    field += Text_[At_++];
                else
                    quoted = false;
            } else if (c == '"') {
                quoted = true;
            } else if (c == ';' || c == '\n' || c == '\r') {
                fields.push_back(Unguarded(std::move(field)));
                field.clear();
                if (c == ';')
                    continue;
                if (crBeforeLf)
                    ++At_, ++Line_;
                return fields;
            } else {
                field += c;
            }
        }
        if (quoted)
            return std::nullopt;
        fields.push_back(Unguarded(std::move(field)));
        return fields;
    }

    // Goes on after the physical line that starts at `start`.
    void ResumeAfterLine(std::size_t start, std::size_t line) {
        const std::size_t end = Text_.find_first_of("\r\n", start);
        const bool crlf = end != std::string_view::npos && Text_.substr(end, 2) == "\r\n";
        At_ = end == std::string_view::npos ? Text_.size() : end + (crlf ? 2 : 1);
        Line_ = line + 1;
    }

    std::size_t Position() const { return At_; }

private:
    std::string_view Text_;
    std::size_t At_ = 0;
    std::size_t Line_ = 1;
};

} // namespace

std::vector<TCsvRecord> SplitCsvRecords(std::string_view text) {
    if (text.starts_with(ByteOrderMark))
        text.remove_prefix(ByteOrderMark.size());
    std::vector<TCsvRecord> records;
    TCsvScanner scanner(text);
    while (!scanner.AtEnd()) {
        const std::size_t start = scanner.Position();
        const std::size_t line = scanner.Line();
        std::optional<std::vector<std::string>> fields = scanner.Next();
        const bool misfits =
            fields && !records.empty() && fields->size() != records.front().Fields.size();
        if (!fields || (misfits && SpansLines(*fields))) {
            scanner.ResumeAfterLine(start, line);
            records.push_back({line, {}, false});
        } else if (fields->size() > 1 || !fields->front().empty()) {
            records.push_back({line, std::move(*fields), true});
        }
    }
    return records;
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
    std::vector<std::string> titles(RecordColumnTitles().begin(), RecordColumnTitles().end());
    titles.emplace_back(SheetColumnTitle);
    titles.emplace_back(StepColumnTitle);
    return Line("Datum", titles);
}

std::string CsvLine(const TTestRecordRow& row) {
    const TRecordFields fields = RecordFields(row);
    std::vector<std::string> line(fields.begin(), fields.end());
    line.push_back(SheetField(row));
    line.push_back(row.Alarm.Step > 0 ? std::to_string(row.Alarm.Step) : std::string());
    return Line(row.Alarm.Date, line);
}
