#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <csignal>

#include "Printers.h"
#include "composer/ScrapGif.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"

namespace {

// What giflib itself reads from a file, independent of our reader.
struct Structure {
    int width = -1, height = -1, frames = 0, loops = -1;
    std::vector<int> delays;
};

Structure Inspect(const QString& path) {
    Structure found;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(QFile::encodeName(path).constData(), &error);
    if (!gif || DGifSlurp(gif) != GIF_OK) return found;
    found.width = gif->SWidth;
    found.height = gif->SHeight;
    found.frames = gif->ImageCount;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        found.delays.push_back(control.DelayTime);
        const SavedImage& image = gif->SavedImages[i];
        for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = image.ExtensionBlocks[e];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0)
                found.loops = image.ExtensionBlocks[e + 1].Bytes[1];
        }
    }
    DGifCloseFile(gif, &error);
    return found;
}

// Whether the glyph's every frame stands in the picture's frames at x, y.
::testing::AssertionResult Shows(const GifAnimation& picture, const QString& glyphPath, int x,
                                 int y) {
    const GifAnimation glyph = ReadGif(glyphPath);
    if (glyph.frames.size() != picture.frames.size())
        return ::testing::AssertionFailure() << glyph.frames.size() << " glyph frames";
    for (int f = 0; f < glyph.frames.size(); ++f) {
        for (int row = 0; row < glyph.height; ++row) {
            for (int col = 0; col < glyph.width; ++col) {
                const quint32 want = glyph.frames[f].pixels[row * glyph.width + col];
                const quint32 got = picture.frames[f].pixels[(y + row) * picture.width + x + col];
                if (want != got) {
                    return ::testing::AssertionFailure()
                           << glyphPath.toStdString() << " frame " << f << " at " << col << ","
                           << row << ": " << std::hex << got << " instead of " << want;
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

QString Glyph(int style, char letter) {
    return QStringLiteral(PROGRAM_DIR "/%1/%2.gif").arg(style).arg(QChar(letter));
}

class ScrapGifTest : public ::testing::Test {
protected:
    void SetUp() override { runtime::SetAppDir(PROGRAM_DIR); }
    void TearDown() override { runtime::SetAppDir({}); }
    QTemporaryDir dir;
};

TEST_F(ScrapGifTest, LettersStandAsTheBrowserLaysThemOutAndAnimateInStep) {
    struct Case {
        QString text;
        int style;
        int width, height;  // in glyphs
    };
    // Style 1 glyphs are 32 x 28 and change every 15 cs, style 2 36 x 74
    // every 11 cs; "!" and "é" are left out.
    for (const Case& c : {Case{"Hello", 1, 5, 1}, Case{"ab! cdé", 1, 2, 2},
                          Case{"abcdefghijklmnopqrst", 2, 20, 1}}) {
        SCOPED_TRACE(c.text.toStdString());
        const QString path = dir.filePath("out.gif");
        SaveScrapGif(path, c.text, c.style);
        const QSize glyph = c.style == 1 ? QSize(32, 28) : QSize(36, 74);
        const Structure file = Inspect(path);
        EXPECT_EQ(file.width, c.width * glyph.width());
        EXPECT_EQ(file.height, c.height * glyph.height());
        EXPECT_EQ(file.frames, 3);
        EXPECT_EQ(file.delays, std::vector<int>(3, c.style == 1 ? 15 : 11));
        EXPECT_EQ(file.loops, 0) << "a loop count of 0 plays for ever";

        const GifAnimation picture = ReadGif(path, 1000);
        int x = 0, y = 0;
        for (QChar character : c.text.toLower()) {
            if (character == u' ') {
                x = 0;
                y += glyph.height();
            } else if (character >= u'a' && character <= u'z') {
                EXPECT_TRUE(Shows(picture, Glyph(c.style, char(character.unicode())), x, y));
                x += glyph.width();
            }
        }
        // Transparency kept: the corner right of "ab" on two lines is empty.
        if (c.height == 2) {
            EXPECT_EQ(picture.frames[0].pixels.last(), 0u);
        }
    }
    // A blank line between two (two spaces) is as high as the browser's
    // empty line; none is kept before the first picture or after the last.
    SaveScrapGif(dir.filePath("blank.gif"), " ab  c ", 1);
    EXPECT_EQ(Inspect(dir.filePath("blank.gif")).height, 28 + 19 + 28);
}

TEST_F(ScrapGifTest, FaultsNameTheFileAndLeaveNothingBehind) {
    const QString target = dir.filePath("kept.gif");
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly) && kept.write("old") == 3);
    kept.close();
    auto failure = [&](const QString& text, int style, const QString& to = {}) -> QString {
        try {
            SaveScrapGif(to.isEmpty() ? target : to, text, style);
        } catch (const runtime::RuntimeError& error) {
            return error.Message();
        }
        return QStringLiteral("no failure");
    };
    EXPECT_TRUE(failure("!? ", 1).contains("no letter")) << failure("!? ", 1).toStdString();

    // A program folder with a missing, a corrupt and a crafted glyph: a
    // 16 x 16 picture holding a 20000 x 20000 frame is refused unread.
    QDir().mkpath(dir.filePath("prog/1"));
    runtime::SetAppDir(dir.filePath("prog"));
    QFile corrupt(dir.filePath("prog/1/c.gif")), crafted(dir.filePath("prog/1/x.gif"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly) && corrupt.write("GIF89a garbage") > 0);
    ASSERT_TRUE(crafted.open(QIODevice::WriteOnly));
    crafted.write(
        QByteArray::fromHex("47494638396110001000800000000000ffffff"
                            "2c00000000204e204e000002024401003b"));
    corrupt.close();
    crafted.close();
    EXPECT_EQ(failure("b", 1),
              "Read picture '" + dir.filePath("prog/1/b.gif") + "': File not found");
    EXPECT_TRUE(failure("c", 1).startsWith("Read picture '" + corrupt.fileName() + "': Not a"))
        << failure("c", 1).toStdString();
    EXPECT_TRUE(failure("x", 1).contains("(20000 x 20000 at 0,0) leaves its 16 x 16 screen"))
        << failure("x", 1).toStdString();
    runtime::SetAppDir(PROGRAM_DIR);

    // No folder to write in, and a full disk (a file size limit).
    const QString nowhere = dir.filePath("gone/a.gif");
    EXPECT_EQ(failure("a", 1, nowhere),
              "Open for output '" + nowhere + "': No such file or directory");
    signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const rlimit small{100, before.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const QString full = failure("abc", 1);
    setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_EQ(full, "Write '" + target + "': File too large");

    QFile again(target);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), "old") << "a failed save damaged the file it was to replace";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.gif"});
}

// The program's command line, run with no display at all.
TEST_F(ScrapGifTest, CommandLineSavesWithoutADisplayAndSaysWhatIsWrong) {
    struct Run {
        int status;
        QString out, err;
    };
    auto run = [](const QStringList& arguments) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        program.setProcessEnvironment(environment);
        program.start(PROGRAM, arguments);
        program.waitForFinished(30000);
        return Run{program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                   program.readAllStandardOutput(), program.readAllStandardError()};
    };
    const QString file = dir.filePath("Hi yo.gif");
    Run saved = run({"--save-gif", file, "--style", "2", "Hi", "yo"});
    EXPECT_EQ(saved.status, 0) << saved.err.toStdString();
    const Structure made = Inspect(file);
    EXPECT_EQ(made.width, 2 * 36);
    EXPECT_EQ(made.height, 2 * 74);

    Run help = run({"--help"}), version = run({"-v"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--save-gif FILE")) << help.out.toStdString();
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "dururive 1.0.0\n");

    const QString other = dir.filePath("other.gif");
    const struct {
        QStringList arguments;
        int status;
        QString says;
    } refused[] = {
        {{"--bogus"}, 2, "Unknown option 'bogus'"},
        {{"--save-gif", other, "--style", "3", "a"}, 2, "--style takes 1 or 2, not '3'"},
        {{"--save-gif", other, "abcdefghijklmnopqrstu"}, 2, "the text has 21 characters"},
        {{"--save-gif", other}, 2, "no TEXT"},
        {{"hello"}, 2, "TEXT goes with --save-gif"},
        {{"--save-gif", other, "12 !"}, 1, "no letter a to z"},
        {{"--save-gif", dir.filePath("gone/x.gif"), "a"}, 1, dir.filePath("gone/x.gif")},
    };
    for (const auto& r : refused) {
        const Run got = run(r.arguments);
        SCOPED_TRACE(r.arguments.join(' ').toStdString());
        EXPECT_EQ(got.status, r.status) << got.err.toStdString();
        EXPECT_TRUE(got.err.startsWith("dururive: ")) << got.err.toStdString();
        EXPECT_TRUE(got.err.contains(r.says)) << got.err.toStdString();
        EXPECT_EQ(got.err.contains("Usage: dururive"), r.status == 2) << got.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(other));
}

}  // namespace
