#pragma once
// Writes the Prüfbericht as a PDF file with Qt's own PDF writer.
//
// The file is made in memory, written under a temporary name in the target's folder and renamed
// when complete, so a failure (folder missing or read-only, disk full) leaves nothing behind and
// an existing report of that name untouched. A name that holds anything but a regular file, or
// that is the record file or a picture being read, is refused (OutputTarget.h). Needs a
// QGuiApplication (fonts); call on its thread. Returns the system's reason on failure; never throws
// beyond std::bad_alloc.

#include "app/report/ReportModel.h"
#include "app/report/ReportSheet.h"

#include <optional>
#include <string>

class QString;

// `recordFile` is the day's file the rows were read from; `unreadable` is told of each picture
// that could not be read.
std::optional<std::string> WriteReportPdf(const TReport& report, const QString& path,
                                          const std::string& recordFile,
                                          const TUnreadablePicture& unreadable);
