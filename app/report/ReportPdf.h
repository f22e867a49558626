#pragma once
// Writes the Prüfbericht as a PDF file with Qt's own PDF writer.
//
// The file is made in memory, written under a temporary name in the target's folder and renamed
// when complete, so a failure (folder missing or read-only, disk full) leaves nothing behind and
// an existing report of that name untouched. Needs a QGuiApplication (fonts); call on its
// thread. Returns the system's reason on failure; never throws beyond std::bad_alloc.

#include "app/report/ReportModel.h"

#include <optional>
#include <string>

class QString;

std::optional<std::string> WriteReportPdf(const TReport& report, const QString& path);
