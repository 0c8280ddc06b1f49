#include "gui/Drag.h"

#include <QDrag>
#include <QImageReader>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QUrl>

namespace gui {

namespace {

// A picture wider than this follows the pointer at this width.
constexpr int DragPictureWidth = 320;

QPixmap DragPicture(const QString& file) {
    QImage picture = QImageReader(file).read();
    if (picture.width() > DragPictureWidth)
        picture = picture.scaledToWidth(DragPictureWidth, Qt::SmoothTransformation);
    return QPixmap::fromImage(picture);
}

}  // namespace

void DragFile(QWidget& source, const QString& file) {
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(file)});
    QPointer<QDrag> drag = new QDrag(&source);
    drag->setMimeData(data);
    const QPixmap picture = DragPicture(file);
    if (!picture.isNull()) {
        drag->setPixmap(picture);
        drag->setHotSpot(picture.rect().center());
    }
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    if (drag) drag->deleteLater();
}

}  // namespace gui
