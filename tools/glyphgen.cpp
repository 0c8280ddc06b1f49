// glyphgen GLYPH_DIR ASSET_DIR
// Draws the 52 glitter letters into GLYPH_DIR/1 and GLYPH_DIR/2, and the two
// sample pictures of the main window into ASSET_DIR/Image1.gif and
// ASSET_DIR/Image2.gif.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <stdexcept>

#include "GifWriter.h"
#include "GlyphPainter.h"

namespace {

constexpr int GlyphTableSize = 32;

void WriteStyle(const QString& folder, int style, const GlyphStyle& look) {
    if (!QDir().mkpath(folder)) throw std::runtime_error("cannot create " + folder.toStdString());
    const QVector<QVector<QImage>> alphabet = PaintAlphabet(look, quint32(style) * 1000u);
    for (int i = 0; i < alphabet.size(); ++i) {
        WriteAnimatedGif(folder + QStringLiteral("/%1.gif").arg(QChar(u'a' + i)), alphabet[i],
                         Palette(look), GlyphTableSize, look.delayCentiseconds);
    }
}

void WriteSample(const QString& path, int style, const GlyphStyle& look, QSize size,
                 int tableSize) {
    WriteAnimatedGif(path, PaintSample(look, u'a', quint32(style) * 1000u + 7u, size),
                     Palette(look), tableSize, look.delayCentiseconds);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: glyphgen GLYPH_DIR ASSET_DIR\n");
        return 2;
    }
    const QString glyphs = QString::fromLocal8Bit(argv[1]),
                  assets = QString::fromLocal8Bit(argv[2]);
    try {
        WriteStyle(glyphs + "/1", 1, PinkStyle());
        WriteStyle(glyphs + "/2", 2, RedStyle());
        if (!QDir().mkpath(assets))
            throw std::runtime_error("cannot create " + assets.toStdString());
        WriteSample(assets + "/Image1.gif", 1, PinkStyle(), QSize(32, 28), 256);
        // The style-2 sample fills its tall picture with a larger letter.
        GlyphStyle large = RedStyle();
        large.emPixels = 56;
        WriteSample(assets + "/Image2.gif", 2, large, QSize(36, 74), 128);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "glyphgen: %s\n", error.what());
        return 1;
    }
    return 0;
}
