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
// hz and tol-hz; "none" removes an alarm type's pair. Decimal commas are read as points. A
// line that cannot be used gets one message naming the file, the line and the field, and
// changes nothing; every other line still counts.
//
// The installed file lies in share/quorvane/; one of the same name in the working folder
// takes its place. Pure functions apart from reading the file; any thread.

#include "app/tonecheck/ToneLimits.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view LimitsFileName = "tone-limits.txt";

struct LoadedLimits {
    ToneLimits limits;
    std::string source; // the file read; empty when the built-in defaults stand
    std::vector<std::string> messages;
};

// Applies the file's lines over the defaults; fileName only names the file in messages.
LoadedLimits ParseToneLimits(std::string_view text, const std::string& fileName);

// Reads the first of the candidates that exists; the defaults when none does.
LoadedLimits LoadToneLimits(const std::vector<std::filesystem::path>& candidates);

// Where the limits file is looked for: the working folder, then beside the program
// (../share/quorvane/ from its folder), then the installation's data folder.
std::vector<std::filesystem::path> LimitsFileCandidates(const std::filesystem::path& programFolder);
