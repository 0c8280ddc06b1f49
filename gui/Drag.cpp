#include "gui/Drag.h"

#include <QDrag>
#include <QImageReader>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>

namespace gui {

namespace {

// A picture wider than this follows the pointer at this width.
constexpr int DragPictureWidth = 320;

// Longer than Qt waits, on X11, for a receiver to finish a drop (10 minutes).
constexpr std::chrono::minutes DragLifetime{11};

QPixmap DragPicture(const QString& file) {
    QImage picture = QImageReader(file).read();
    if (picture.width() > DragPictureWidth)
        picture = picture.scaledToWidth(DragPictureWidth, Qt::SmoothTransformation);
    return QPixmap::fromImage(picture);
}

QPointer<QDrag>& NewestDrag() {
    static QPointer<QDrag> drag;
    return drag;
}

}  // namespace

void DragFile(QWidget& source, const QString& file) {
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(file)});
    QPointer<QDrag> drag = new QDrag(&source);
    drag->setMimeData(data);
    NewestDrag() = drag;
    const QPixmap picture = DragPicture(file);
    if (!picture.isNull()) {
        drag->setPixmap(picture);
        drag->setHotSpot(picture.rect().center());
    }
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    // The drag must outlive exec(): on X11 a receiver such as LibreOffice
    // asks for the file only after the drop, and Qt answers from the drag
    // until the receiver says it is done, then deletes it. A drop where no
    // window takes drags leaves it to us.
    if (drag) QTimer::singleShot(DragLifetime, drag, &QObject::deleteLater);
}

const QMimeData* NewestDragData() {
    return NewestDrag() ? NewestDrag()->mimeData() : nullptr;
}

}  // namespace gui
