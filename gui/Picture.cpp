#include "gui/Picture.h"

#include <QFileInfo>
#include <QImageReader>

#include "gui/core/FailureMemory.h"
#include "gui/core/RuntimeError.h"

namespace gui {

Picture LoadPicture(const QString& path) {
    if (path.isEmpty()) return Picture();
    const QFileInfo info(path);
    if (!info.exists()) throw RuntimeError(QStringLiteral("LoadPicture"), path, QStringLiteral("File not found"));
    if (!info.isFile() || !info.isReadable())
        throw RuntimeError(QStringLiteral("LoadPicture"), path, QStringLiteral("The file cannot be read"));
    QImageReader reader(path);
    const QImage first = reader.read();  // a GIF shows its first frame, still
    if (first.isNull()) {
        throw RuntimeError(QStringLiteral("LoadPicture"), path,
                           QStringLiteral("Not a readable picture (%1)").arg(reader.errorString()));
    }
    NoteSuccess(path);
    return Picture(QPixmap::fromImage(first));
}

}  // namespace gui
