#pragma once
// Where a row's measurement picture lives: one PNG per row in a folder of the day beside the
// day's record file, named by the row's time and code, so the report finds it without a list;
// beside it the picture of its first code alone, for the window's small view.
//
// Pure; any thread.

#include <string>
#include <string_view>

// "Pruefprotokoll-2026-12-07" for the day `date` ("2026-12-07").
std::string RecordPictureFolder(std::string_view date);

// "140509-12345.png" for "14:05:09" and "12345": the time without colons, a dash, and the code
// with every character but an ASCII letter or digit made '_', so any code gives a safe name.
std::string RecordPictureFileName(std::string_view time, std::string_view code);

// "140509-12345-Code.png": the first code alone, drawn at the size the window shows it.
std::string RecordCodePictureFileName(std::string_view time, std::string_view code);
