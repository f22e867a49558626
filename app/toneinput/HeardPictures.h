#pragma once
// A complete row's pictures, drawn from what the tone input heard around its alarm and saved in
// the day's picture folder: both panels under the row's time and code, and its first code alone
// drawn at the size a view shows it. The window's record and the run without a window save them
// the same way.
//
// The listener's thread (the one that owns it). Nothing here throws beyond std::bad_alloc.

#include "app/testrecord/TestRecordRow.h"
#include "app/toneinput/ToneListener.h"

#include <QSize>
#include <optional>
#include <string>

// Nothing when both were written or the row was not listened for; else why not.
std::optional<std::string> SaveHeardPictures(const TTestRecordRow& row,
                                             const TToneListener& listener, QSize codeSize);
