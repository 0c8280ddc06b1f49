#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "Printers.h"
#include "composer/ScrapComposer.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"
#include "urls/Urls.h"

namespace {

// A window without a window: records every operation in order. A picture
// loads only when its file exists and starts like a GIF, as the real
// picture loader would have it; otherwise the slot stays as it was.
class RecordingView : public ScrapView {
public:
    QString text;
    bool style1 = true, style2 = false;
    QString counter = QStringLiteral("initial");
    std::array<QString, SlotCount> shown;
    QString output = QStringLiteral("initial");
    mutable QStringList log;

    QString InputText() const override {
        log << "read input";
        return text;
    }
    bool Style1Selected() const override { return style1; }
    bool Style2Selected() const override { return style2; }
    void SetCounter(const QString& value) override {
        counter = value;
        log << "counter " + value;
    }
    void ClearSlot(int index) override {
        shown.at(static_cast<std::size_t>(index)).clear();
        log << QStringLiteral("clear %1").arg(index);
    }
    void ShowSlotPicture(int index, const QString& path) override {
        log << QStringLiteral("show %1 %2").arg(index).arg(path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw gui::RuntimeError(QStringLiteral("LoadPicture"), path, file.errorString());
        if (!file.read(4).startsWith("GIF8"))
            throw gui::RuntimeError(QStringLiteral("LoadPicture"), path,
                                    QStringLiteral("Invalid picture"));
        shown.at(static_cast<std::size_t>(index)) = path;
    }
    void SetOutput(const QString& value) override {
        output = value;
        log << "output " + value;
    }
    QString Output() const override {
        log << "read output";
        return output;
    }
};

// Root writes through permission bits; while one of these lives, file access
// is checked as an ordinary user, so the permission cases mean the same for
// everybody.
class Unprivileged {
public:
    Unprivileged() : dropped_(geteuid() == 0 && seteuid(65534) == 0) {}
    ~Unprivileged() {
        if (dropped_ && seteuid(0) != 0) std::abort();
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

private:
    bool dropped_;
};

QString Tag(int style, QChar letter) {
    return QStringLiteral("<img src='%1/%2/%3.gif'>")
        .arg(QString::fromLatin1(GlyphBaseUrl))
        .arg(style)
        .arg(letter);
}

QString TagsOf(int style, const QString& text) {
    QString scrap;
    for (QChar c : text) scrap += c == u' ' ? QStringLiteral("<br>") : Tag(style, c);
    return scrap;
}

const QString Twenty = QStringLiteral("abcdefghijklmnopqrst");

class RecomposeScrapTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appDir.isValid() && workDir.isValid());
        for (const char* folder : {"1", "2"}) {
            QDir(appDir.path()).mkdir(folder);
            for (char l = 'a'; l <= 'z'; ++l) {
                QFile f(Glyph(folder[0] - '0', QChar::fromLatin1(l)));
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write("GIF89a");
            }
        }
        // Readable for the unprivileged cases as well.
        ASSERT_EQ(chmod(QFile::encodeName(appDir.path()).constData(), 0755), 0);
        gui::SetAppDir(appDir.path());
        previousDir = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(workDir.path()));
    }
    void TearDown() override {
        chmod(QFile::encodeName(workDir.path()).constData(), 0700);
        QFile::setPermissions(ScrapPath(), QFile::ReadOwner | QFile::WriteOwner);
        QDir::setCurrent(previousDir);
        gui::SetAppDir(QString());
    }
    QString ScrapPath() const { return workDir.filePath("scrap.htm"); }
    QByteArray ScrapFile() const {
        QFile f(ScrapPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QString Glyph(int style, QChar letter) const {
        return QStringLiteral("%1/%2/%3.gif").arg(appDir.path()).arg(style).arg(letter);
    }
    void SetWorkDirMode(mode_t mode) const {
        ASSERT_EQ(chmod(QFile::encodeName(workDir.path()).constData(), mode), 0);
    }

    QTemporaryDir appDir, workDir;
    QString previousDir;
    RecordingView view;
};

}  // namespace

TEST_F(RecomposeScrapTest, AppliesTheCompositionInOrderAndWritesTheFile) {
    view.text = QStringLiteral("Hi u");
    view.style2 = true;  // both selected: the first button wins
    RecomposeScrap(view);

    QStringList expected{"read input", "counter 16"};
    for (int i = 0; i < SlotCount; ++i) expected << QStringLiteral("clear %1").arg(i);
    expected << "show 0 " + Glyph(1, u'h') << "show 1 " + Glyph(1, u'i')
             << "show 3 " + Glyph(1, u'u');
    const QString scrap = TagsOf(1, QStringLiteral("hi u"));
    expected << "output " + scrap << "read output";
    EXPECT_EQ(view.log, expected);
    EXPECT_EQ(ScrapFile(), scrap.toLatin1() + "\r\n");

    // The other style with the same text: every slot cleared and reloaded
    // from the style-2 folder, the scrap rebuilt from style-2 tags.
    view.style1 = false;
    view.log.clear();
    RecomposeScrap(view);
    EXPECT_EQ(view.log.mid(2, SlotCount), expected.mid(2, SlotCount));
    EXPECT_EQ(view.log.mid(2 + SlotCount, 3),
              (QStringList{"show 0 " + Glyph(2, u'h'), "show 1 " + Glyph(2, u'i'),
                           "show 3 " + Glyph(2, u'u')}));
    EXPECT_EQ(ScrapFile(), TagsOf(2, QStringLiteral("hi u")).toLatin1() + "\r\n");
}

TEST_F(RecomposeScrapTest, FileBytesAreTheScrapAndCrLfOnly) {
    // An empty text: the file holds just the line end.
    RecomposeScrap(view);
    EXPECT_EQ(view.counter, "20");
    EXPECT_EQ(view.output, "");
    EXPECT_EQ(ScrapFile(), QByteArray("\r\n"));

    // Twenty letters: one byte per character, no byte-order mark, one CR LF.
    view.text = Twenty.toUpper();
    RecomposeScrap(view);
    const QByteArray bytes = ScrapFile();
    EXPECT_EQ(bytes, TagsOf(1, Twenty).toLatin1() + "\r\n");
    EXPECT_EQ(bytes.size(), TagsOf(1, Twenty).size() + 2);
    EXPECT_EQ(bytes.front(), '<');
    EXPECT_EQ(bytes.count('\n'), 1);
    EXPECT_EQ(view.counter, "0");

    // A shorter scrap cuts the longer one off completely.
    view.text = QStringLiteral("q");
    RecomposeScrap(view);
    EXPECT_EQ(ScrapFile(), Tag(1, u'q').toLatin1() + "\r\n");
}

TEST_F(RecomposeScrapTest, NothingComposedKeepsWhatTheRulesKeep) {
    view.text = QStringLiteral("abc");
    RecomposeScrap(view);

    // No style: the counter changes, the slots keep their pictures, Text2
    // and the file become empty.
    view.style1 = false;
    view.text = QStringLiteral("abcd");
    view.log.clear();
    RecomposeScrap(view);
    EXPECT_EQ(view.log, (QStringList{"read input", "counter 16", "output ", "read output"}));
    EXPECT_EQ(view.shown[2], Glyph(1, u'c'));
    EXPECT_EQ(ScrapFile(), QByteArray("\r\n"));

    // Past 26 characters: the counter stays as well.
    view.style1 = true;
    view.output = QStringLiteral("stale");
    view.text = QString(27, u'a');
    view.log.clear();
    RecomposeScrap(view);
    EXPECT_EQ(view.counter, "16");
    EXPECT_EQ(view.log, (QStringList{"read input", "output ", "read output"}));
    EXPECT_EQ(view.output, "");
    EXPECT_EQ(ScrapFile(), QByteArray("\r\n"));

    // 26 characters are still composed, up to slot 25.
    view.text = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    RecomposeScrap(view);
    EXPECT_EQ(view.counter, "-6");
    EXPECT_EQ(view.shown[25], Glyph(1, u'z'));
}

TEST_F(RecomposeScrapTest, UnloadablePictureStopsAtItsSlot) {
    for (int k : {0, 1, 7, 19}) {
        SCOPED_TRACE(k);
        view.style1 = true;
        view.style2 = false;
        view.text = Twenty;
        RecomposeScrap(view);
        const QByteArray before = ScrapFile();
        ASSERT_EQ(before, TagsOf(1, Twenty).toLatin1() + "\r\n");

        // Missing for even k, present but no picture for odd k.
        const QString broken = Glyph(2, Twenty.at(k));
        ASSERT_TRUE(QFile::remove(broken));
        if (k % 2) {
            QFile f(broken);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("not a picture");
        }
        view.style1 = false;
        view.style2 = true;
        view.text = Twenty + QStringLiteral("!");  // past the input box's limit
        view.log.clear();
        try {
            RecomposeScrap(view);
            ADD_FAILURE() << "an unloadable picture must raise";
        } catch (const gui::RuntimeError& error) {
            EXPECT_EQ(error.Subject(), broken);
            EXPECT_TRUE(error.Message().contains(broken));
            EXPECT_FALSE(error.Reason().isEmpty());
        }
        EXPECT_EQ(view.counter, "-1");
        for (int i = 0; i < SlotCount; ++i)
            EXPECT_EQ(view.log.at(2 + i), QStringLiteral("clear %1").arg(i));
        for (int i = 0; i < SlotCount; ++i) {
            const QString want = i < k ? Glyph(2, Twenty.at(i)) : QString();
            EXPECT_EQ(view.shown[static_cast<std::size_t>(i)], want) << "slot " << i;
        }
        EXPECT_EQ(view.log.last(), "show " + QString::number(k) + " " + broken);
        EXPECT_EQ(view.output, TagsOf(1, Twenty));
        EXPECT_EQ(ScrapFile(), before);

        QFile::remove(broken);
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("GIF89a");
    }
}

TEST_F(RecomposeScrapTest, ScrapFileThatCannotBeOpenedRaisesAfterTheOutputIsShown) {
    view.text = QStringLiteral("y");
    RecomposeScrap(view);
    ASSERT_TRUE(QFile::remove(ScrapPath()));

    // A working directory nobody may write into.
    SetWorkDirMode(0555);
    view.text = QStringLiteral("z");
    try {
        Unprivileged user;
        RecomposeScrap(view);
        ADD_FAILURE() << "an unwritable working directory must raise";
    } catch (const gui::RuntimeError& error) {
        EXPECT_EQ(error.Subject(), "scrap.htm");
        EXPECT_TRUE(error.Message().contains("scrap.htm"));
        EXPECT_FALSE(error.Reason().isEmpty());
    }
    EXPECT_EQ(view.output, Tag(1, u'z'));
    EXPECT_EQ(view.log.last(), "read output");
    EXPECT_FALSE(QFile::exists(ScrapPath()));

    // A directory in the way of the file.
    SetWorkDirMode(0700);
    ASSERT_TRUE(QDir(workDir.path()).mkdir("scrap.htm"));
    view.text = QStringLiteral("x");
    EXPECT_THROW(RecomposeScrap(view), gui::RuntimeError);
    EXPECT_EQ(view.output, Tag(1, u'x'));
    EXPECT_TRUE(QFileInfo(ScrapPath()).isDir());
}

TEST_F(RecomposeScrapTest, ReadOnlyScrapFileKeepsItsContent) {
    view.text = QStringLiteral("a");
    RecomposeScrap(view);
    const QByteArray before = ScrapFile();
    SetWorkDirMode(0777);  // only the file's own bits may stop the write
    ASSERT_TRUE(
        QFile::setPermissions(ScrapPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    view.text = QStringLiteral("b");
    {
        Unprivileged user;
        EXPECT_THROW(RecomposeScrap(view), gui::RuntimeError);
    }
    EXPECT_EQ(view.output, Tag(1, u'b'));
    EXPECT_EQ(ScrapFile(), before);
}
