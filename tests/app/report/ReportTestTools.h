#pragma once
// What the report tests share: a record row, a command's run, a PDF's text, texts in order, and
// a folder that refuses new files while the guard lives: read-only (immutable for root, who
// passes the mode) or a full disk (a tiny tmpfs; mounting needs root).

#include "app/testrecord/TestRecordRow.h"

#include <filesystem>
#include <string>
#include <vector>

// A row of 7 December 2026, `second` seconds after 14:00, as the window records it.
TTestRecordRow RecordRow(int second, std::string code, TVerdict verdict = {});

// A fire alarm for `code` (no symbol twice in a row) as the window hears and judges it:
// Tonruf I kurz, the code twice, then 675+1240 Hz 5 s after the code for `twoToneSeconds`,
// so 5 s stimmt and receivers would react, 2.2 s is too short for both.
TTestRecordRow JudgedRow(int second, std::string code, double twoToneSeconds);

// The record's verdicts: "stimmt", "weicht ab (misses)", "nichts gehört".
TVerdict Matches();
TVerdict Differs(const std::string& misses);
TVerdict NothingHeard();

struct TCommandRun {
    int Status = -1;
    std::string Output; // standard output and error together
};

TCommandRun RunCommand(const std::string& command);
std::string Quoted(const std::string& text); // as one shell word
std::string PdfText(const std::filesystem::path& pdf);
std::string FileText(const std::filesystem::path& file);
// The words of the PDF that reach below the body of their page but are no footer's words,
// joined with blanks.
std::string WordsUnderTheBody(const std::filesystem::path& pdf);

// Of "first|second|...", the texts not found in `text`, each after the one before.
using TMissing = std::vector<std::string>;
TMissing MissingInOrder(const std::string& text, const std::string& expected);

class TRefusingFolder {
public:
    enum TWhy { ReadOnly, Full };
    TRefusingFolder(std::filesystem::path folder, TWhy why);
    ~TRefusingFolder();
    TRefusingFolder(const TRefusingFolder&) = delete;
    TRefusingFolder& operator=(const TRefusingFolder&) = delete;

    bool Refuses() const { return refuses_; }

private:
    std::filesystem::path folder_;
    TWhy why_;
    bool refuses_ = true;
};
