#pragma once
// Reading the fixed code list file.
//
// ReadCodeListFile reads the whole file in one go and splits it by the list's line rules. It
// returns std::nullopt when the file is missing or cannot be opened or read, and never throws
// for those; the caller decides what the operator is told. Any thread; no shared state.

#include <optional>
#include <string>
#include <vector>

// Opened by this plain name, that is, in the current working directory.
inline constexpr const char* CodeListFileName = "Tonfolgen.txt";

std::optional<std::vector<std::string>> ReadCodeListFile(const std::string& path);
