#include "gui/Picture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "gui/core/FailureMemory.h"
#include "gui/core/GifFrames.h"
#include "gui/core/RuntimeError.h"

namespace gui {

namespace {

// A glyph picture is a few kilobytes.
constexpr qint64 MaxPictureBytes = 1 << 20;

[[noreturn]] void Unreadable(const QString& path, const QString& why) {
    throw RuntimeError(QStringLiteral("LoadPicture"), path,
                       QStringLiteral("Not a readable picture (%1)").arg(why));
}

// The picture's bytes, read once: what is checked is what is decoded.
QByteArray ReadPictureFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError(QStringLiteral("LoadPicture"), path,
                           QStringLiteral("The file cannot be read"));
    QByteArray bytes = file.read(MaxPictureBytes + 1);
    if (bytes.size() > MaxPictureBytes)
        Unreadable(path, QStringLiteral("it is larger than %1 bytes").arg(MaxPictureBytes));
    return bytes;
}

}  // namespace

Picture LoadPicture(const QString& path) {
    if (path.isEmpty()) return Picture();
    const QFileInfo info(path);
    if (!info.exists())
        throw RuntimeError(QStringLiteral("LoadPicture"), path, QStringLiteral("File not found"));
    if (!info.isFile() || !info.isReadable())
        throw RuntimeError(QStringLiteral("LoadPicture"), path,
                           QStringLiteral("The file cannot be read"));
    QByteArray bytes = ReadPictureFile(path);
    // A picture larger than any glyph, or a GIF frame larger than its screen,
    // would take seconds and gigabytes to decode, so the sizes are read first.
    if (const QString refusal = GifFramesRefusal(bytes); !refusal.isEmpty())
        Unreadable(path, refusal);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    const QSize declared = reader.size();
    if (declared.width() > MaxPictureSide || declared.height() > MaxPictureSide) {
        Unreadable(path, QStringLiteral("it declares %1 x %2 pixels, more than %3 x %3")
                             .arg(declared.width())
                             .arg(declared.height())
                             .arg(MaxPictureSide));
    }
    const QImage first = reader.read();  // a GIF shows its first frame, still
    if (first.isNull()) Unreadable(path, reader.errorString());
    NoteSuccess(path);
    return Picture(QPixmap::fromImage(first));
}

}  // namespace gui
