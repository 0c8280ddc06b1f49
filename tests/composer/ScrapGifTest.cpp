#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "Printers.h"
#include "composer/GifCopy.h"
#include "composer/ScrapGif.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"
#include "gui/core/SequentialFile.h"

namespace {

// What giflib itself reads of a file: "width height frames delay delay ...",
// and whether the file loops for ever (a loop count of 0).
QString Inspect(const QString& path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(QFile::encodeName(path).constData(), &error);
    if (!gif || DGifSlurp(gif) != GIF_OK) return QStringLiteral("unreadable");
    QString found =
        QStringLiteral("%1 %2 %3").arg(gif->SWidth).arg(gif->SHeight).arg(gif->ImageCount);
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        found += QStringLiteral(" %1").arg(control.DelayTime);
    }
    DGifCloseFile(gif, &error);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return found +
           (file.readAll().contains(QByteArray("NETSCAPE2.0\x03\x01\0\0", 16)) ? " loops" : "");
}

// Whether the glyph's every frame stands in the picture's frames at x, y.
::testing::AssertionResult Shows(const GifAnimation& picture, char letter, int style, int x,
                                 int y) {
    const GifAnimation glyph =
        ReadGif(QStringLiteral(PROGRAM_DIR "/%1/%2.gif").arg(style).arg(letter));
    for (int f = 0; f < glyph.frames.size(); ++f) {
        for (int row = 0; row < glyph.height; ++row) {
            const auto want = glyph.frames[f].pixels.constBegin() + row * glyph.width;
            if (!std::equal(want, want + glyph.width,
                            picture.frames[f].pixels.constBegin() + (y + row) * picture.width + x))
                return ::testing::AssertionFailure()
                       << letter << " differs in frame " << f << " row " << row;
        }
    }
    return ::testing::AssertionSuccess();
}

// How many of the played frames' pixels another decoder shows otherwise,
// asked for every frame coalesced as RGBA (transparent pixels all alike).
QString Differing(const GifAnimation& played, const QString& decoder, const QString& path) {
    QStringList arguments{path, "-coalesce", "rgba:-"};
    if (decoder == "gm") arguments.prepend("convert");
    QProcess process;
    process.start(decoder, arguments);
    process.waitForFinished(30000);
    const QByteArray raw = process.readAllStandardOutput();
    QVector<quint32> pixels;
    for (const GifFrame& frame : played.frames) pixels += frame.pixels;
    if (raw.size() != 4 * pixels.size())
        return QStringLiteral("%1 bytes, not %2: %3")
            .arg(raw.size())
            .arg(4 * pixels.size())
            .arg(QString::fromLocal8Bit(process.readAllStandardError()));
    int wrong = 0;
    for (qsizetype i = 0; i < pixels.size(); ++i) {
        const auto byte = [&](int k) { return quint32(quint8(raw[4 * i + k])); };
        wrong +=
            pixels[i] != (byte(3) ? byte(3) << 24 | byte(0) << 16 | byte(1) << 8 | byte(2) : 0);
    }
    return QStringLiteral("%1 of %2 differ").arg(wrong).arg(pixels.size());
}

// With a cache folder of its own, for the copies.
class ScrapGifTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CACHE_HOME", dir.filePath("cache").toLocal8Bit()); }
    void TearDown() override { qputenv("XDG_CACHE_HOME", cacheBefore); }

    runtime::ScopedAppDir appDir{PROGRAM_DIR};
    QTemporaryDir dir;
    const QByteArray cacheBefore = qgetenv("XDG_CACHE_HOME");
    const QString copies = dir.filePath("cache/dururive/copies");
};

// Each glyph stands at its own width beside the one before; a line is as
// high as the style's pictures. Style 1 changes every 15 cs, style 2 every
// 11 cs; "!" and "é" are left out. A blank line between two (two spaces) is
// as high as the browser's empty line, 19 pixels; none is kept before the
// first picture or after the last.
TEST_F(ScrapGifTest, LettersStandAsTheBrowserLaysThemOutAndAnimateInStep) {
    const struct {
        QString text;
        int style;
        QString delays;
    } cases[] = {{"Hello", 1, "3 15 15 15 loops"},
                 {"ab! cdé", 1, "3 15 15 15 loops"},
                 {"abcdefghijklmnopqrst", 2, "3 11 11 11 loops"},
                 {" ab  c ", 1, "3 15 15 15 loops"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QString path = dir.filePath("out.gif");
        SaveScrapGif(path, c.text, c.style);
        const GifAnimation picture = ReadGif(path, 1000);
        int x = 0, y = 0, width = 0, height = 0;
        for (QChar character : c.text.trimmed().toLower()) {
            if (character == u' ') {
                y += x == 0 ? 19 : height;
                x = 0;
            }
            if (character.isLower() && character.unicode() < 128) {
                const GifAnimation glyph =
                    ReadGif(QStringLiteral(PROGRAM_DIR "/%1/%2.gif").arg(c.style).arg(character));
                EXPECT_TRUE(Shows(picture, char(character.unicode()), c.style, x, y));
                x += glyph.width;
                width = std::max(width, x);
                height = glyph.height;
            }
        }
        EXPECT_EQ(Inspect(path), QStringLiteral("%1 %2 ").arg(width).arg(y + height) + c.delays);
        // Decoders that clear the screen before a frame that is cleared
        // afterwards (GraphicsMagick) show the frames alike.
        for (const QString decoder : {"gm", "convert"}) {
            EXPECT_EQ(Differing(picture, decoder, path),
                      QStringLiteral("0 of %1 differ").arg(3 * picture.width * picture.height))
                << decoder.toStdString();
        }
    }
    // Transparency kept: the corner right of "c" on the second line is empty.
    EXPECT_EQ(ReadGif(dir.filePath("out.gif"), 1000).frames[0].pixels.last(), 0u);
}

TEST_F(ScrapGifTest, FaultsNameTheFileAndLeaveNothingBehind) {
    const QString target = dir.filePath("kept.gif");
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly) && kept.write("old") == 3);
    kept.close();
    // Saved to a file, or with an empty one copied.
    auto failure = [&](const QString& text, const QString& to = {}) -> QString {
        try {
            if (to == "copy")
                WriteGifCopy(text, 1);
            else
                SaveScrapGif(to.isEmpty() ? target : to, text, 1);
        } catch (const runtime::RuntimeError& error) {
            return error.Message();
        }
        return QStringLiteral("no failure");
    };
    EXPECT_TRUE(failure("!? ").contains("no letter")) << failure("!? ").toStdString();

    // A program folder with a missing and a corrupt glyph (a crafted one is
    // refused by the same reader as the window's pictures).
    QDir().mkpath(dir.filePath("prog/1"));
    {
        const runtime::ScopedAppDir broken(dir.filePath("prog"));
        QFile corrupt(dir.filePath("prog/1/c.gif"));
        ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly) && corrupt.write("GIF89a garbage") > 0);
        corrupt.close();
        EXPECT_EQ(failure("b"),
                  "Read picture '" + dir.filePath("prog/1/b.gif") + "': File not found");
        EXPECT_TRUE(failure("c").startsWith("Read picture '" + corrupt.fileName() + "': Not a"))
            << failure("c").toStdString();
        EXPECT_TRUE(failure("b", "copy").startsWith("Read picture"));
    }

    // No folder to write in, and a full disk (a file size limit).
    const QString nowhere = dir.filePath("gone/a.gif");
    EXPECT_EQ(failure("a", nowhere),
              "Open for output '" + nowhere + "': No such file or directory");
    signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const rlimit small{100, before.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const QString full = failure("abc"), fullCopy = failure("abc", "copy");
    setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_EQ(full, "Write '" + target + "': File too large");
    EXPECT_TRUE(fullCopy.startsWith("Write '" + copies) &&
                fullCopy.endsWith("/abc.gif': File too large"))
        << fullCopy.toStdString();
    EXPECT_EQ(QDir(copies).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList())
        << "a failed copy left a folder behind";

    // The copy's folders must be real folders of the user's own that no one
    // else may write in, or nothing is written: not through a link to
    // another's open folder, nor into a shared one. Run as root, the test
    // gives the folders to another user too.
    const QString dururive = dir.filePath("cache/dururive"), open = dir.filePath("open");
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(QDir().mkpath(open) && QDir(copies).removeRecursively());
    ASSERT_EQ(::chmod(QFile::encodeName(open), 0777) |
                  (root ? ::chown(QFile::encodeName(open), 65534, 65534) : 0),
              0);
    ASSERT_TRUE(QFile::link(open, copies));
    EXPECT_EQ(failure("a", "copy"),
              "Open folder '" + copies + "': it is a symbolic link, and a link is never followed");
    ASSERT_TRUE(QFile::remove(copies));
    ASSERT_EQ(::chmod(QFile::encodeName(dururive), 0777), 0);
    EXPECT_EQ(failure("a", "copy"),
              "Open folder '" + dururive + "': group or others may write in it (mode 777)");
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(dururive), 65534, 65534), 0);
        EXPECT_EQ(failure("a", "copy"), "Open folder '" + dururive +
                                            "': it belongs to another user (uid 65534), not to "
                                            "this one (uid 0)");
    }
    EXPECT_FALSE(QFileInfo::exists(copies));
    // A folder put in the place of one already open does not take the write.
    const runtime::PrivateFolder held = runtime::PrivateFolder::Open(dir.path()).Sub("held");
    ASSERT_TRUE(QDir(dir.path()).rename("held", "moved") &&
                QFile::link(open, dir.filePath("held")));
    EXPECT_EQ(held.WriteNewFile("x.gif", "GIF"), dir.filePath("held/x.gif"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("moved/x.gif")));
    EXPECT_EQ(QDir(open).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());

    qputenv("XDG_CACHE_HOME", target.toLocal8Bit());  // a file, where a folder should be
    EXPECT_EQ(failure("a", "copy"), "Open folder '" + target + "': Not a directory");

    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old") << "a failed save damaged the file it was to replace";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.gif"});
}

// A copy is a file of its own in a private folder; the next start removes
// day-old copies and nothing else.
TEST_F(ScrapGifTest, CopiesAreFilesOfTheirOwnAndOldOnesGo) {
    EXPECT_EQ(GifCopiesFolder(), copies);
    const GifCopy first = WriteGifCopy("Hi yo!", 2), second = WriteGifCopy("Hi yo!", 2);
    EXPECT_EQ(first.bytes, EncodeScrapGif("Hi yo!", 2));
    const QFileInfo file(first.file), folder(file.path());
    EXPECT_EQ(file.fileName(), "hi yo.gif");
    EXPECT_EQ(folder.path(), copies);
    EXPECT_NE(folder.filePath(), QFileInfo(second.file).path());
    EXPECT_EQ(folder.permissions() & 0x0077, 0) << "the copy's folder is open to others";
    QFile written(first.file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), first.bytes);

    // A link named as a copy is not followed, and another user's copy is
    // left alone (when the test, as root, can give one away).
    const QString linked = dir.filePath("linked"), others = copies + "/copy-others";
    ASSERT_TRUE(QDir().mkpath(linked + "/copy-keep1") &&
                QFile::link(linked, copies + "/copy-linked"));
    ASSERT_TRUE(QDir().mkpath(others));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(others), 65534, 65534), 0);
    }
    // Two days old: the first copy, a folder that is not a copy's, and those.
    QDir().mkpath(copies + "/mine");
    const time_t old = QDateTime::currentDateTime().addDays(-2).toSecsSinceEpoch();
    for (const QString& path : {folder.filePath(), copies + "/mine", linked, others}) {
        const utimbuf times{old, old};
        ASSERT_EQ(utime(QFile::encodeName(path).constData(), &times), 0) << path.toStdString();
    }
    RemoveOldGifCopies();
    EXPECT_FALSE(QFile::exists(first.file));
    EXPECT_TRUE(QFile::exists(second.file));
    EXPECT_TRUE(QFile::exists(copies + "/mine"));
    EXPECT_TRUE(QFile::exists(linked + "/copy-keep1"));
    EXPECT_EQ(QFile::exists(others), ::geteuid() == 0);
}

// The program's command line, run with no display at all: what it writes to
// standard output (status 0) or error, and its status.
TEST_F(ScrapGifTest, CommandLineSavesWithoutADisplayAndSaysWhatIsWrong) {
    const QString made = dir.filePath("Hi yo.gif"), other = dir.filePath("other.gif");
    const struct {
        QStringList arguments;
        int status;
        QString says;
    } runs[] = {
        {{"--save-gif", made, "--style", "2", "Hi", "yo"}, 0, ""},
        {{"--help"}, 0, "--save-gif FILE"},
        {{"-v"}, 0, "dururive 1.0.0\n"},
        {{"--bogus"}, 2, "Unknown option 'bogus'"},
        {{"--save-gif", other, "--style", "3", "a"}, 2, "--style takes 1 or 2, not '3'"},
        {{"--save-gif", other, "abcdefghijklmnopqrstu"}, 2, "the text has 21 characters"},
        {{"--save-gif", other}, 2, "no TEXT"},
        {{"hello"}, 2, "TEXT goes with --save-gif"},
        {{"--save-gif", other, "12 !"}, 1, "no letter a to z"},
        {{"--save-gif", dir.filePath("gone/x.gif"), "a"}, 1, dir.filePath("gone/x.gif")},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.arguments.join(' ').toStdString());
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        program.setProcessEnvironment(environment);
        program.start(PROGRAM, r.arguments);
        program.waitForFinished(30000);
        const QString out = program.readAllStandardOutput(), err = program.readAllStandardError();
        EXPECT_EQ(program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1, r.status)
            << err.toStdString();
        EXPECT_TRUE((r.status ? err : out).contains(r.says)) << (out + err).toStdString();
        EXPECT_EQ(err.startsWith("dururive: "), r.status != 0) << err.toStdString();
        EXPECT_EQ(err.contains("Usage: dururive"), r.status == 2) << err.toStdString();
    }
    const GifAnimation h = ReadGif(PROGRAM_DIR "/2/h.gif"), i = ReadGif(PROGRAM_DIR "/2/i.gif"),
                       y = ReadGif(PROGRAM_DIR "/2/y.gif"), o = ReadGif(PROGRAM_DIR "/2/o.gif");
    EXPECT_EQ(Inspect(made), QStringLiteral("%1 %2 3 11 11 11 loops")
                                 .arg(std::max(h.width + i.width, y.width + o.width))
                                 .arg(2 * h.height));
    EXPECT_FALSE(QFile::exists(other));
}

}  // namespace
