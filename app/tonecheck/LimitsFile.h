#pragma once
// The limits file: plain text, one entry per line, "KIND NAME: FIELD=VALUE ...", with '#'
// starting a comment. Kinds and their fields (times in the unit the field names):
//
//   standard ZVEI1: tone-ms=70 tone-tol-ms=15 freq-tol-pct=1.5 code-tol-ms=10 repeated=yes
//                   pause-ms=600 pause-tol-ms=100
//   calltone Tonruf I: hz=1750 tol-pct=1.5 kurz-s=0.5 lang-s=2.0 length-tol-s=0.2
//   twotone Feueralarm: hz=675+1240 tol-hz=3+5 delay-s=5.0 delay-tol-s=0.25 length-s=5
//                       min-s=3
//   twotone Probealarm: none
//
// A field left out keeps the entry's value from before; a new call tone needs hz, a new pair
// hz and tol-hz; "none" removes an alarm type's pair. Decimal commas are read as points; each
// number must lie in its field's range (README, "The limits file"), and min-s may not exceed
// length-s. A leading UTF-8 byte order mark is skipped. A line that cannot be used gets one
// message naming the file, the line and the field, and changes nothing; every other line
// still counts. Messages hold no control bytes (they are written \xNN) and quote at most a
// few dozen bytes of a value.
//
// The installed file lies in share/quorvane/; one of the same name in the working folder
// takes its place. A candidate that is there but cannot be used (a folder, FIFO, device,
// dangling link, or unreadable) is named in one message and the next candidate is read; no
// FIFO or device is ever opened. Pure functions apart from reading the file; any thread.

#include "app/tonecheck/ToneLimits.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view LimitsFileName = "tone-limits.txt";
inline constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
// A message box taller than this many lines helps no one; the rest go to standard error.
inline constexpr std::size_t LimitsMessagesShown = 10;

struct TLoadedLimits {
    TToneLimits Limits;
    std::string Source; // the file read; empty when the built-in defaults stand
    std::vector<std::string> Messages;
};

// Applies the file's lines over the defaults; fileName only names the file in messages.
TLoadedLimits ParseToneLimits(std::string_view text, const std::string& fileName);

// Reads the first of the candidates that is a readable file; the defaults when none is.
TLoadedLimits LoadToneLimits(const std::vector<std::filesystem::path>& candidates);

// For messages about the lines of a settings file (this one and the test plan): a line without
// its surrounding blanks; a value in quotes, a long one cut at a character and its length told;
// control bytes written \xNN, so a message cannot move a terminal's cursor or split a line.
std::string_view Trimmed(std::string_view text);
std::string QuotedValue(std::string_view text, char quote);
std::string EscapedControls(std::string_view text);

// The messages as the window's box shows them, one a line: the first LimitsMessagesShown,
// then "… und N weitere" for the rest.
std::string LimitsMessageBoxText(const std::vector<std::string>& messages);

// Where the limits file is looked for: the working folder, then beside the program
// (../share/quorvane/ from its folder), then the installation's data folder.
std::vector<std::filesystem::path> LimitsFileCandidates(const std::filesystem::path& programFolder);
