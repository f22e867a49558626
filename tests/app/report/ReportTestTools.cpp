#include "tests/app/report/ReportTestTools.h"

#include <cstdio>
#include <fstream>
#include <regex>
#include <span>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TVerdict Matches() {
    return {TVerdictKind::Matches, "stimmt", ""};
}

TVerdict Differs(const std::string& misses) {
    return {TVerdictKind::Differs, "weicht ab (" + misses + ")", misses};
}

TVerdict NothingHeard() {
    return {TVerdictKind::NothingHeard, "nichts gehört", ""};
}

TTestRecordRow RecordRow(int second, std::string code, TVerdict verdict) {
    char time[16];
    std::snprintf(time, sizeof time, "14:%02d:%02d", second / 60 % 60, second % 60);
    TTestRecordRow row;
    row.Alarm = {"2026-12-07", time, "Standart", std::move(code), "Ohne", "Probe", "02", "1", true};
    row.Replies = {"ACK", "Träger ein"};
    row.Heard = {"Tonruf I 2,0 s", "12845"};
    row.Verdict = std::move(verdict);
    return row;
}

TTestRecordRow JudgedRow(int second, std::string code, double twoToneSeconds) {
    TTestRecordRow row = RecordRow(second, code);
    row.Alarm.PreTone = "Tonruf I kurz";
    row.Alarm.AlarmType = "Feueralarm";
    row.Alarm.Expected = code;
    const double codeSeconds = 0.070 * static_cast<double>(code.size());
    row.Signals = {
        {THeardKind::LongTone, 0.5, 0.5, {}, {}, {1750}},
        {THeardKind::Sequence, 1.2, codeSeconds, code, {}, {}},
        {THeardKind::Sequence, 1.8 + codeSeconds, codeSeconds, code, {}, {}},
        {THeardKind::TwoTone, 6.8 + 2 * codeSeconds, twoToneSeconds, {}, {}, {675, 1240}}};
    for (THeardSignal& sequence : std::span(row.Signals).subspan(1, 2))
        for (const char symbol : code)
            sequence.Tones.push_back(
                {symbol, TableOf(TToneStandard::Zvei1).FrequencyHz[ToneSymbols.find(symbol)],
                 sequence.StartSeconds + 0.070 * static_cast<double>(sequence.Tones.size()),
                 0.070});
    row.Judgement = JudgeAlarm(ExpectedOf(row.Alarm), DefaultToneLimits(), row.Signals);
    row.Verdict = {row.Judgement->Verdict == TAlarmVerdict::Matches ? TVerdictKind::Matches
                                                                    : TVerdictKind::Differs,
                   VerdictLine(*row.Judgement), MissesText(*row.Judgement)};
    return row;
}

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

std::string PdfText(const fs::path& pdf) {
    return RunCommand("pdftotext -layout " + Quoted(pdf.string()) + " -").Output;
}

std::string FileText(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

std::string WordsUnderTheBody(const fs::path& pdf) {
    // The body ends 275 mm down the page; the footer holds the program, the date, the page and
    // where a block goes on.
    constexpr double BodyBottomPt = 275 / 25.4 * 72 + 1;
    static const std::regex footerWord(
        R"(Quorvane|1\.1|·|Prüfbericht|bis|\d\d\.\d\d\.\d{4}|Fortsetzung|auf|Seite|von|\d{1,5})");
    static const std::regex word(R"re(<word [^>]* yMax="([0-9.]*)">([^<]*)</word>)re");
    const std::string boxes = RunCommand("pdftotext -bbox " + Quoted(pdf.string()) + " -").Output;
    std::string under;
    for (auto at = std::sregex_iterator(boxes.begin(), boxes.end(), word);
         at != std::sregex_iterator(); ++at)
        if (std::stod((*at)[1]) > BodyBottomPt && !std::regex_match((*at)[2].str(), footerWord))
            under += (under.empty() ? "" : " ") + (*at)[2].str();
    return under;
}

TMissing MissingInOrder(const std::string& text, const std::string& expected) {
    TMissing missing;
    std::size_t at = 0;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = expected.find('|', start);
        const std::string part = expected.substr(start, end - start);
        const std::size_t found = text.find(part, at);
        if (found == std::string::npos)
            missing.push_back(part);
        else
            at = found + part.size();
    }
    return missing;
}

TRefusingFolder::TRefusingFolder(fs::path folder, TWhy why)
    : folder_(std::move(folder)), why_(why) {
    if (why_ == Full) {
        refuses_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=8k") == 0;
        return;
    }
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    if (geteuid() == 0)
        RunCommand("chattr +i " + Quoted(folder_.string()));
}

TRefusingFolder::~TRefusingFolder() {
    if (why_ == Full && refuses_)
        ::umount(folder_.c_str());
    if (why_ == ReadOnly && geteuid() == 0)
        RunCommand("chattr -i " + Quoted(folder_.string()));
    fs::permissions(folder_, fs::perms::owner_all);
}
