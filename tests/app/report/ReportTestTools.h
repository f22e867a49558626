#pragma once
// What the report tests share: running a command, reading a PDF back with poppler's tools, a
// folder nobody may write to (also not root), and a check that texts come in order.

#include <filesystem>
#include <string>
#include <vector>

struct TCommandRun {
    int Status = -1;
    std::string Output; // standard output and error together
};

TCommandRun RunCommand(const std::string& command);

// A shell word holding `text` exactly.
std::string Quoted(const std::string& text);

// The PDF's text as pdftotext lays it out, pages separated by form feeds.
std::string PdfText(const std::filesystem::path& pdf);

// The texts that are not found in `text`, each after the one before it.
std::vector<std::string> MissingInOrder(const std::string& text,
                                        const std::vector<std::string>& expected);

// Makes a folder unwritable for as long as it lives: its mode, and for root (who ignores the
// mode) the immutable attribute.
class TReadOnlyFolder {
public:
    explicit TReadOnlyFolder(std::filesystem::path folder);
    ~TReadOnlyFolder();
    TReadOnlyFolder(const TReadOnlyFolder&) = delete;
    TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;

private:
    std::filesystem::path folder_;
};

// A folder on a file system of a few kilobytes, for as long as it lives: a full disk. Mounting
// needs root; Mounted says whether it worked.
class TTinyDisk {
public:
    explicit TTinyDisk(std::filesystem::path folder);
    ~TTinyDisk();
    TTinyDisk(const TTinyDisk&) = delete;
    TTinyDisk& operator=(const TTinyDisk&) = delete;

    bool Mounted() const { return mounted_; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};
