#include "gui/Picture.h"

#include <QBuffer>
#include <QImageReader>

#include "gui/core/GifFrames.h"
#include "gui/core/RuntimeError.h"

namespace gui {

namespace {

[[noreturn]] void Unreadable(const QString& path, const QString& why) {
    throw runtime::RuntimeError(QStringLiteral("LoadPicture"), path,
                                QStringLiteral("Not a readable picture (%1)").arg(why));
}

}  // namespace

Picture LoadPicture(const QString& path) {
    if (path.isEmpty()) return Picture();
    QByteArray bytes = runtime::ReadPictureBytes(QStringLiteral("LoadPicture"), path);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    const QSize declared = reader.size();
    if (declared.width() > runtime::MaxPictureSide || declared.height() > runtime::MaxPictureSide) {
        Unreadable(path, QStringLiteral("it declares %1 x %2 pixels, more than %3 x %3")
                             .arg(declared.width())
                             .arg(declared.height())
                             .arg(runtime::MaxPictureSide));
    }
    const QImage first = reader.read();  // a GIF shows its first frame, still
    if (first.isNull()) Unreadable(path, reader.errorString());
    return Picture(QPixmap::fromImage(first));
}

}  // namespace gui
