#include "app/tonepicture/PictureFile.h"

#include <QBuffer>
#include <QImage>
#include <QSaveFile>

std::optional<std::string> WritePicturePng(const QImage& image, const QString& path) {
    if (image.isNull())
        return "no picture to write";
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return "the PNG writer failed";
    // Unbuffered, because Qt's buffer takes a short write on a full disk for success; written
    // straight, a short write shows, and writing the rest again brings out the system's reason.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString().toStdString();
    for (qsizetype done = 0; done < png.size();) {
        const qint64 wrote = file.write(png.constData() + done, png.size() - done);
        if (wrote <= 0)
            return file.errorString().toStdString();
        done += wrote;
    }
    // Not committed, the temporary file goes with `file`; committed, it replaces the target.
    if (!file.commit())
        return file.errorString().toStdString();
    return std::nullopt;
}
