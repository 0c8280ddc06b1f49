// icongen GLYPH_DIR OUT_DIR SIZE...
// Draws the application icon from the glyph pictures: the red d of style 2
// and the pink y of style 1 on a pale rounded tile. Writes
// OUT_DIR/<size>x<size>/dururive.png for every SIZE.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr int MasterSize = 256;

QImage FirstFrame(const QString& path) {
    QImageReader reader(path);
    reader.setFormat("gif");
    QImage frame = reader.read();
    if (frame.isNull())
        throw std::runtime_error("cannot read " + path.toStdString() + ": " +
                                 reader.errorString().toStdString());
    return frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The part of an image that is not fully transparent.
QRect OpaqueBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) bounds |= QRect(x, y, 1, 1);
    if (bounds.isEmpty()) throw std::runtime_error("a glyph picture is blank");
    return bounds;
}

// A glyph cut to its letter and enlarged by whole pixels, so the glitter
// stays crisp.
QImage Enlarged(const QImage& glyph, int maxHeight) {
    const QImage letter = glyph.copy(OpaqueBounds(glyph));
    const int factor = qMax(1, maxHeight / letter.height());
    return letter.scaled(letter.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QImage Master(const QString& glyphs) {
    QImage icon(MasterSize, MasterSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath tile;
    tile.addRoundedRect(QRectF(8, 8, MasterSize - 16, MasterSize - 16), 40, 40);
    painter.fillPath(tile, QColor(255, 244, 248));
    painter.setPen(QPen(QColor(200, 40, 70), 6));
    painter.drawPath(tile);

    const QImage d = Enlarged(FirstFrame(glyphs + "/2/d.gif"), 200);
    const QImage y = Enlarged(FirstFrame(glyphs + "/1/y.gif"), 100);
    const int gap = 8;
    const int left = (MasterSize - d.width() - gap - y.width()) / 2;
    const int top = (MasterSize - d.height()) / 2;
    painter.drawImage(left, top, d);
    painter.drawImage(left + d.width() + gap, top + d.height() - y.height() * 3 / 4, y);
    painter.end();
    return icon;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: icongen GLYPH_DIR OUT_DIR SIZE...\n");
        return 2;
    }
    try {
        const QImage master = Master(QString::fromLocal8Bit(argv[1]));
        const QString out = QString::fromLocal8Bit(argv[2]);
        for (int i = 3; i < argc; ++i) {
            bool ok = false;
            const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
            if (!ok || size < 16 || size > 1024)
                throw std::runtime_error(std::string("bad size ") + argv[i]);
            const QString folder = out + QStringLiteral("/%1x%1").arg(size);
            if (!QDir().mkpath(folder))
                throw std::runtime_error("cannot create " + folder.toStdString());
            const QImage image =
                size == MasterSize
                    ? master
                    : master.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const QString path = folder + QStringLiteral("/dururive.png");
            if (!image.save(path, "PNG"))
                throw std::runtime_error("cannot write " + path.toStdString());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "icongen: %s\n", error.what());
        return 1;
    }
    return 0;
}
