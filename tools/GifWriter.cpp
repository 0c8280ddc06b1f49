#include "GifWriter.h"

#include <QFile>
#include <stdexcept>

#include "composer/GifFile.h"

namespace {

int Nearest(QRgb pixel, const QVector<QColor>& palette) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < palette.size(); ++i) {
        const long dr = qRed(pixel) - palette[i].red(), dg = qGreen(pixel) - palette[i].green(),
                   db = qBlue(pixel) - palette[i].blue();
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best + 1;  // index 0 is the transparent colour
}

QByteArray Indices(const QImage& frame, const QVector<QColor>& palette) {
    QByteArray indices(qsizetype(frame.width()) * frame.height(), Qt::Uninitialized);
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb pixel = frame.pixel(x, y);
            indices[qsizetype(y) * frame.width() + x] =
                char(qAlpha(pixel) < 128 ? 0 : Nearest(pixel, palette));
        }
    }
    return indices;
}

}  // namespace

void WriteAnimatedGif(const QString& path, const QVector<QImage>& frames,
                      const QVector<QColor>& palette, int tableSize, int delayCentiseconds) {
    IndexedGif picture{frames.first().width(), frames.first().height(), {}, tableSize, {}};
    for (const QColor& colour : palette) picture.palette.append(colour.rgb() & 0xffffffu);
    for (const QImage& frame : frames)
        picture.frames.append({Indices(frame, palette), delayCentiseconds});
    const QByteArray bytes = EncodeGif(picture);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    }
}
