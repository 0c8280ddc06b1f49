#include "GifWriter.h"

#include <gif_lib.h>

#include <QFile>
#include <stdexcept>
#include <vector>

namespace {

[[noreturn]] void Fail(const QString& path, const char* step, int error) {
    throw std::runtime_error(
        QStringLiteral("%1: %2 failed: %3")
            .arg(path, QLatin1String(step), QLatin1String(GifErrorString(error)))
            .toStdString());
}

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

ColorMapObject* ColourTable(const QVector<QColor>& palette, int tableSize) {
    ColorMapObject* map = GifMakeMapObject(tableSize, nullptr);
    for (int i = 0; i < tableSize; ++i) {
        // Entries past the palette repeat its darkest shade; they are unused.
        const QColor c = i == 0 ? QColor(0, 0, 0) : palette[qMin(i - 1, int(palette.size()) - 1)];
        map->Colors[i] = {GifByteType(c.red()), GifByteType(c.green()), GifByteType(c.blue())};
    }
    return map;
}

void PutLoopExtension(GifFileType* gif, const QString& path) {
    int error = 0;
    static const GifByteType name[] = "NETSCAPE2.0";
    static const GifByteType loop[] = {1, 0, 0};  // loop count 0: for ever
    if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif, 11, name) == GIF_ERROR ||
        EGifPutExtensionBlock(gif, 3, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif) == GIF_ERROR) {
        error = gif->Error;
        Fail(path, "loop extension", error);
    }
}

void PutFrame(GifFileType* gif, const QString& path, const QImage& frame,
              const QVector<QColor>& palette, int delay) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_BACKGROUND;
    control.DelayTime = delay;
    control.TransparentColor = 0;
    GifByteType block[4];
    const size_t length = EGifGCBToExtension(&control, block);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), block) == GIF_ERROR)
        Fail(path, "frame control", gif->Error);
    if (EGifPutImageDesc(gif, 0, 0, frame.width(), frame.height(), false, nullptr) == GIF_ERROR)
        Fail(path, "frame", gif->Error);
    std::vector<GifPixelType> line(size_t(frame.width()));
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb pixel = frame.pixel(x, y);
            line[size_t(x)] = GifPixelType(qAlpha(pixel) < 128 ? 0 : Nearest(pixel, palette));
        }
        if (EGifPutLine(gif, line.data(), frame.width()) == GIF_ERROR)
            Fail(path, "pixels", gif->Error);
    }
}

}  // namespace

void WriteAnimatedGif(const QString& path, const QVector<QImage>& frames,
                      const QVector<QColor>& palette, int tableSize, int delayCentiseconds) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &error);
    if (!gif) Fail(path, "open", error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* table = ColourTable(palette, tableSize);
    const int width = frames.first().width(), height = frames.first().height();
    try {
        if (EGifPutScreenDesc(gif, width, height, 8, 0, table) == GIF_ERROR)
            Fail(path, "screen", gif->Error);
        PutLoopExtension(gif, path);
        for (const QImage& frame : frames) PutFrame(gif, path, frame, palette, delayCentiseconds);
    } catch (...) {
        GifFreeMapObject(table);
        EGifCloseFile(gif, &error);
        throw;
    }
    GifFreeMapObject(table);
    if (EGifCloseFile(gif, &error) == GIF_ERROR) Fail(path, "close", error);
    // giflib creates its files readable by the owner alone.
    QFile::setPermissions(
        path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}
