#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "composer/ScrapComposer.h"
#include "composer/Urls.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"

namespace {

// A window without a window: records every operation in order and loads a
// picture only when its file exists, as the real picture loader does.
class RecordingView : public ScrapView {
public:
    QString text;
    bool style1 = true, style2 = false;
    QString counter = QStringLiteral("20");
    std::array<QString, SlotCount> shown;
    QString output;
    QStringList log;

    QString InputText() const override { return text; }
    bool Style1Selected() const override { return style1; }
    bool Style2Selected() const override { return style2; }
    void SetCounter(const QString& value) override {
        counter = value;
        log << "counter " + value;
    }
    void ClearSlot(int index) override {
        shown[index].clear();
        log << QStringLiteral("clear %1").arg(index);
    }
    void ShowSlotPicture(int index, const QString& path) override {
        log << QStringLiteral("show %1 %2").arg(index).arg(path);
        if (!QFile::exists(path))
            throw gui::RuntimeError(QStringLiteral("LoadPicture"), path, QStringLiteral("File not found"));
        shown[index] = path;
    }
    void SetOutput(const QString& value) override {
        output = value;
        log << "output " + value;
    }
    QString Output() const override { return output; }
};

QString Tag(int style, char letter) {
    return QStringLiteral("<img src='%1/%2/%3.gif'>")
        .arg(QString::fromLatin1(GlyphBaseUrl))
        .arg(style)
        .arg(QChar::fromLatin1(letter));
}

class RecomposeScrapTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appDir.isValid() && workDir.isValid());
        for (const char* folder : {"1", "2"}) {
            QDir(appDir.path()).mkdir(folder);
            for (char l = 'a'; l <= 'z'; ++l) {
                QFile f(QStringLiteral("%1/%2/%3.gif").arg(appDir.path(), folder).arg(QChar::fromLatin1(l)));
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            }
        }
        gui::SetAppDir(appDir.path());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
    }
    void TearDown() override {
        QDir::setCurrent(previousDir);
        gui::SetAppDir(QString());
    }
    QByteArray ScrapFile() const {
        QFile f(workDir.filePath("scrap.htm"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QString Glyph(int style, char letter) const {
        return QStringLiteral("%1/%2/%3.gif").arg(appDir.path()).arg(style).arg(QChar::fromLatin1(letter));
    }

    QTemporaryDir appDir, workDir;
    QString previousDir;
    RecordingView view;
};

}  // namespace

TEST_F(RecomposeScrapTest, AppliesTheCompositionInOrderAndWritesTheFile) {
    view.text = QStringLiteral("Hi u");
    RecomposeScrap(view);

    QStringList expected{"counter 16"};
    for (int i = 0; i < SlotCount; ++i) expected << QStringLiteral("clear %1").arg(i);
    expected << "show 0 " + Glyph(1, 'h') << "show 1 " + Glyph(1, 'i') << "show 3 " + Glyph(1, 'u');
    const QString scrap = Tag(1, 'h') + Tag(1, 'i') + "<br>" + Tag(1, 'u');
    expected << "output " + scrap;
    EXPECT_EQ(view.log, expected);
    EXPECT_EQ(ScrapFile(), scrap.toLatin1() + "\r\n");

    // The other style with the same text reloads every slot from style 2.
    view.style1 = false;
    view.style2 = true;
    view.log.clear();
    RecomposeScrap(view);
    EXPECT_EQ(view.shown[3], Glyph(2, 'u'));
    EXPECT_TRUE(view.log.contains("show 0 " + Glyph(2, 'h')));
    EXPECT_EQ(ScrapFile(), (Tag(2, 'h') + Tag(2, 'i') + "<br>" + Tag(2, 'u')).toLatin1() + "\r\n");
}

TEST_F(RecomposeScrapTest, EmptyTextWritesOnlyTheLineEnd) {
    RecomposeScrap(view);
    EXPECT_EQ(view.counter, "20");
    EXPECT_EQ(view.output, "");
    EXPECT_EQ(ScrapFile(), QByteArray("\r\n"));
}

TEST_F(RecomposeScrapTest, NothingComposedKeepsWhatTheRulesKeep) {
    view.text = QStringLiteral("abc");
    RecomposeScrap(view);

    // No style: the counter changes, the shown stay, Text2 and the file empty.
    view.style1 = false;
    view.text = QStringLiteral("abcd");
    RecomposeScrap(view);
    EXPECT_EQ(view.counter, "16");
    EXPECT_EQ(view.shown[2], Glyph(1, 'c'));
    EXPECT_EQ(view.output, "");
    EXPECT_EQ(ScrapFile(), QByteArray("\r\n"));

    // Past 26 characters: the counter stays as well.
    view.style1 = true;
    view.text = QString(27, u'a');
    view.log.clear();
    RecomposeScrap(view);
    EXPECT_EQ(view.counter, "16");
    EXPECT_EQ(view.log, QStringList{"output "});
    EXPECT_EQ(ScrapFile(), QByteArray("\r\n"));
}

TEST_F(RecomposeScrapTest, MissingPictureStopsAtItsSlot) {
    view.text = QStringLiteral("ab");
    RecomposeScrap(view);
    const QByteArray before = ScrapFile();

    ASSERT_TRUE(QFile::remove(Glyph(1, 'd')));
    view.text = QStringLiteral("abcde");
    try {
        RecomposeScrap(view);
        FAIL() << "a missing picture must raise";
    } catch (const gui::RuntimeError& error) {
        EXPECT_EQ(error.Subject(), Glyph(1, 'd'));
        EXPECT_TRUE(error.Message().contains("d.gif"));
    }
    EXPECT_EQ(view.counter, "15");
    EXPECT_EQ(view.shown[0], Glyph(1, 'a'));
    EXPECT_EQ(view.shown[2], Glyph(1, 'c'));
    EXPECT_TRUE(view.shown[3].isEmpty());
    EXPECT_TRUE(view.shown[4].isEmpty());
    EXPECT_FALSE(view.log.contains("show 4 " + Glyph(1, 'e')));
    EXPECT_EQ(view.output, Tag(1, 'a') + Tag(1, 'b'));
    EXPECT_EQ(ScrapFile(), before);
}

TEST_F(RecomposeScrapTest, UnwritableScrapFileRaisesAfterTheOutputIsShown) {
    if (geteuid() == 0) {
        // root writes through permission bits; a directory in place of the
        // file fails for everybody.
        ASSERT_TRUE(QDir(workDir.path()).mkdir("scrap.htm"));
    } else {
        ASSERT_EQ(chmod(workDir.path().toLocal8Bit().constData(), 0500), 0);
    }
    view.text = QStringLiteral("z");
    try {
        RecomposeScrap(view);
        FAIL() << "an unwritable scrap.htm must raise";
    } catch (const gui::RuntimeError& error) {
        EXPECT_EQ(error.Subject(), "scrap.htm");
        EXPECT_FALSE(error.Reason().isEmpty());
    }
    EXPECT_EQ(view.output, Tag(1, 'z'));
    chmod(workDir.path().toLocal8Bit().constData(), 0700);
}

TEST_F(RecomposeScrapTest, ReadOnlyScrapFileKeepsItsContent) {
    view.text = QStringLiteral("a");
    RecomposeScrap(view);
    const QByteArray before = ScrapFile();
    QFile::setPermissions(workDir.filePath("scrap.htm"), QFile::ReadOwner);
    view.text = QStringLiteral("b");
    if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
    EXPECT_THROW(RecomposeScrap(view), gui::RuntimeError);
    EXPECT_EQ(view.output, Tag(1, 'b'));
    EXPECT_EQ(ScrapFile(), before);
}
