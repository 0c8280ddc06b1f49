#include "gui/Picture.h"

#include <QFileInfo>
#include <QImageReader>

#include "gui/core/FailureMemory.h"
#include "gui/core/RuntimeError.h"

namespace gui {

namespace {
constexpr int MaxPictureSide = 256;
}  // namespace

Picture LoadPicture(const QString& path) {
    if (path.isEmpty()) return Picture();
    const QFileInfo info(path);
    if (!info.exists())
        throw RuntimeError(QStringLiteral("LoadPicture"), path, QStringLiteral("File not found"));
    if (!info.isFile() || !info.isReadable())
        throw RuntimeError(QStringLiteral("LoadPicture"), path,
                           QStringLiteral("The file cannot be read"));
    QImageReader reader(path);
    // The size a file declares is read from its header. A picture larger than
    // any glyph would take seconds and gigabytes to decode, so it is refused
    // before decoding.
    const QSize declared = reader.size();
    if (declared.width() > MaxPictureSide || declared.height() > MaxPictureSide) {
        throw RuntimeError(
            QStringLiteral("LoadPicture"), path,
            QStringLiteral("Not a readable picture (it declares %1 x %2 pixels, more than %3 x %3)")
                .arg(declared.width())
                .arg(declared.height())
                .arg(MaxPictureSide));
    }
    const QImage first = reader.read();  // a GIF shows its first frame, still
    if (first.isNull()) {
        throw RuntimeError(QStringLiteral("LoadPicture"), path,
                           QStringLiteral("Not a readable picture (%1)").arg(reader.errorString()));
    }
    NoteSuccess(path);
    return Picture(QPixmap::fromImage(first));
}

}  // namespace gui
