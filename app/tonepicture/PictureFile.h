#pragma once
// Writes a picture as a PNG file, for quorvane-tones --png and the test record's pictures alike.
//
// The PNG is made in memory, written under a temporary name in the target's folder and renamed
// over the target only when every byte went out and the file closed cleanly, so a failure
// (folder missing or read-only, disk full, file size limit) leaves neither a partial file nor a
// temporary one, and an existing picture of that name untouched. Returns the system's reason on
// failure. Qt GUI only (no QGuiApplication needed); any thread, each call on its own file.

#include <optional>
#include <string>

class QImage;
class QString;

std::optional<std::string> WritePicturePng(const QImage& image, const QString& path);
