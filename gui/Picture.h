#pragma once

#include <QPixmap>
#include <QString>

namespace gui {

// A still picture: for a GIF, its first frame.
class Picture {
public:
    Picture() = default;
    explicit Picture(QPixmap pixmap) : pixmap_(std::move(pixmap)) {}
    bool IsEmpty() const { return pixmap_.isNull(); }
    const QPixmap& Pixmap() const { return pixmap_; }
    QSize Size() const { return pixmap_.size(); }

private:
    QPixmap pixmap_;
};

// "" gives the empty picture; a missing or unreadable file raises
// RuntimeError naming the file and the reason.
Picture LoadPicture(const QString& path);

}  // namespace gui
