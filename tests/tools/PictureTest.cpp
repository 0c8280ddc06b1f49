#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Expected {
    QString path;
    QSize size;
    int delay;
};

QVector<Expected> AllPictures() {
    QVector<Expected> all;
    for (char16_t l = u'a'; l <= u'z'; ++l) {
        all.append({QStringLiteral(PROGRAM_DIR "/1/%1.gif").arg(QChar(l)), QSize(32, 28), 150});
        all.append({QStringLiteral(PROGRAM_DIR "/2/%1.gif").arg(QChar(l)), QSize(36, 74), 110});
    }
    all.append({QStringLiteral(ASSET_DIR "/Image1.gif"), QSize(32, 28), 150});
    all.append({QStringLiteral(ASSET_DIR "/Image2.gif"), QSize(36, 74), 110});
    return all;
}

bool HasAlpha(const QImage& frame, bool transparent) {
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if ((qAlpha(frame.pixel(x, y)) == 0) == transparent) return true;
    return false;
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

TEST(GlyphPictures, EveryPictureIsAnAnimatedLoopingTransparentGif) {
    const QVector<Expected> all = AllPictures();
    ASSERT_EQ(all.size(), 54);
    for (const Expected& e : all) {
        SCOPED_TRACE(e.path.toStdString());
        QImageReader reader(e.path);
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        EXPECT_EQ(reader.format(), "gif");
        EXPECT_EQ(reader.imageCount(), 3);
        EXPECT_EQ(reader.loopCount(), -1);  // for ever
        QVector<QImage> frames;
        for (int i = 0; i < 3; ++i) {
            const QImage frame = reader.read();
            ASSERT_FALSE(frame.isNull());
            EXPECT_EQ(frame.size(), e.size);
            EXPECT_EQ(reader.nextImageDelay(), e.delay);
            EXPECT_TRUE(HasAlpha(frame, true)) << "no transparent pixel in frame " << i;
            EXPECT_TRUE(HasAlpha(frame, false)) << "frame " << i << " is empty";
            frames << frame;
        }
        EXPECT_NE(frames[0], frames[1]);
        EXPECT_NE(frames[1], frames[2]);
        EXPECT_NE(frames[0], frames[2]);
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
