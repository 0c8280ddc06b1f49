#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

namespace {

// The slot of the preview strip, which no picture may outgrow.
const QSize Slot(36, 74);

struct Expected {
    QString path;
    int style;   // 0 for a sample picture
    QSize size;  // a sample's; a glyph's is its own, within the slot
    int delay;
};

QVector<Expected> AllPictures() {
    QVector<Expected> all;
    for (char16_t l = u'a'; l <= u'z'; ++l) {
        all.append({QStringLiteral(PROGRAM_DIR "/1/%1.gif").arg(QChar(l)), 1, {}, 150});
        all.append({QStringLiteral(PROGRAM_DIR "/2/%1.gif").arg(QChar(l)), 2, {}, 110});
    }
    all.append({QStringLiteral(ASSET_DIR "/Image1.gif"), 0, QSize(32, 28), 150});
    all.append({QStringLiteral(ASSET_DIR "/Image2.gif"), 0, QSize(36, 74), 110});
    return all;
}

bool Opaque(const QImage& frame, int x, int y) {
    return x >= 0 && y >= 0 && x < frame.width() && y < frame.height() &&
           qAlpha(frame.pixel(x, y)) != 0;
}

// The colours of the letter's edge, its pixels beside a transparent one.
QSet<QRgb> EdgeColours(const QImage& frame) {
    QSet<QRgb> colours;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (Opaque(frame, x, y) && (!Opaque(frame, x - 1, y) || !Opaque(frame, x + 1, y) ||
                                        !Opaque(frame, x, y - 1) || !Opaque(frame, x, y + 1)))
                colours.insert(frame.pixel(x, y));
    return colours;
}

// How many pixels differ between two frames, and how many are opaque.
std::pair<int, int> Changed(const QImage& a, const QImage& b) {
    int changed = 0, opaque = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            changed += a.pixel(x, y) != b.pixel(x, y);
            opaque += Opaque(a, x, y);
        }
    }
    return {changed, opaque};
}

int ColourTableSize(const QString& path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.toLocal8Bit().constData(), &error);
    if (!gif) return -1;
    const int size = gif->SColorMap ? gif->SColorMap->ColorCount : 0;
    DGifCloseFile(gif, &error);
    return size;
}

QByteArray Digest(const QString& dir) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& sub : {QStringLiteral("g/1"), QStringLiteral("g/2"), QStringLiteral("a")}) {
        QDir d(dir + "/" + sub);
        for (const QString& name : d.entryList(QDir::Files, QDir::Name)) {
            QFile f(d.filePath(name));
            if (!f.open(QIODevice::ReadOnly)) return {};
            hash.addData(name.toUtf8());
            hash.addData(f.readAll());
        }
    }
    return hash.result();
}

}  // namespace

// Every glyph of a style is as high as the others and no larger than a slot;
// a letter keeps its shape and its one-colour outline in every frame, while
// the glitter inside it moves.
TEST(GlyphPictures, EveryPictureIsAnAnimatedLoopingTransparentGif) {
    const QVector<Expected> all = AllPictures();
    ASSERT_EQ(all.size(), 54);
    QMap<int, QSize> first;  // per style, the size of its first picture
    QMap<int, QSet<QRgb>> edges;
    for (const Expected& e : all) {
        SCOPED_TRACE(e.path.toStdString());
        QImageReader reader(e.path);
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        EXPECT_EQ(reader.format(), "gif");
        EXPECT_EQ(reader.imageCount(), 3);
        EXPECT_EQ(reader.loopCount(), -1);  // for ever
        QVector<QImage> frames;
        for (int i = 0; i < 3; ++i) {
            const QImage frame = reader.read().convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(frame.isNull());
            EXPECT_EQ(reader.nextImageDelay(), e.delay);
            frames << frame;
        }
        const QSize size = frames[0].size();
        if (e.style == 0) {
            EXPECT_EQ(size, e.size);
        } else {
            EXPECT_TRUE(size.width() <= Slot.width() && size.height() <= Slot.height())
                << size.width() << " x " << size.height();
            if (!first.contains(e.style)) first.insert(e.style, size);
            EXPECT_EQ(size.height(), first[e.style].height());
        }
        const QSet<QRgb> edge = EdgeColours(frames[0]);
        if (e.style != 0) edges[e.style] += edge;
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(frames[i].size(), size);
            EXPECT_EQ(EdgeColours(frames[i]), edge);
            const auto [changed, opaque] = Changed(frames[i], frames[(i + 1) % 3]);
            EXPECT_GT(opaque, 0) << "the frame is empty";
            EXPECT_LT(opaque, size.width() * size.height()) << "no transparent pixel";
            // The letter's shape stays; a tenth of it glitters anew.
            EXPECT_EQ(frames[i].createAlphaMask(), frames[0].createAlphaMask());
            EXPECT_GE(changed * 10, opaque) << changed << " of " << opaque << " pixels change";
        }
    }
    for (int style : {1, 2}) {
        SCOPED_TRACE(style);
        EXPECT_EQ(edges[style].size(), 1) << "the letters' edges are not one outline colour";
        const QImage i(QStringLiteral(PROGRAM_DIR "/%1/i.gif").arg(style)),
            m(QStringLiteral(PROGRAM_DIR "/%1/m.gif").arg(style));
        EXPECT_LT(i.width() * 2, m.width()) << "the letters are not as wide as they need";
    }
}

TEST(GlyphPictures, SamplesHaveTheirColourTablesAndAreBuiltIn) {
    EXPECT_EQ(ColourTableSize(ASSET_DIR "/Image1.gif"), 256);
    EXPECT_EQ(ColourTableSize(ASSET_DIR "/Image2.gif"), 128);
    for (const char* name : {"Image1.gif", "Image2.gif"}) {
        SCOPED_TRACE(name);
        QFile built(QStringLiteral(":/assets/") + name),
            drawn(QStringLiteral(ASSET_DIR "/") + name);
        ASSERT_TRUE(built.open(QIODevice::ReadOnly)) << "resource missing from dururive_assets";
        ASSERT_TRUE(drawn.open(QIODevice::ReadOnly));
        EXPECT_EQ(built.readAll(), drawn.readAll());
    }
}

TEST(GlyphPictures, TheSameSourcesDrawTheSameBytes) {
    QTemporaryDir first, second;
    for (QTemporaryDir* dir : {&first, &second}) {
        QProcess gen;
        gen.start(GLYPHGEN, {dir->path() + "/g", dir->path() + "/a"});
        ASSERT_TRUE(gen.waitForFinished(60000));
        ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();
    }
    const QByteArray digest = Digest(first.path());
    ASSERT_FALSE(digest.isEmpty());
    EXPECT_EQ(digest, Digest(second.path()));
    QFile built(PROGRAM_DIR "/2/q.gif"), again(second.path() + "/g/2/q.gif");
    ASSERT_TRUE(built.open(QIODevice::ReadOnly) && again.open(QIODevice::ReadOnly));
    EXPECT_EQ(built.readAll(), again.readAll());
}

TEST(GlyphPictures, UnwritableFolderIsReportedByName) {
    QProcess gen;
    gen.start(GLYPHGEN, {"/proc/no-such-folder", "/proc/no-such-folder"});
    ASSERT_TRUE(gen.waitForFinished(60000));
    EXPECT_NE(gen.exitCode(), 0);
    EXPECT_TRUE(gen.readAllStandardError().contains("no-such-folder"));
}
