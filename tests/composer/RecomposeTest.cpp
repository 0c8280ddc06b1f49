#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <thread>

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
    void ShowSlotPicture(int index, const QString& path, QChar) override {
        log << QStringLiteral("show %1 %2").arg(index).arg(path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw runtime::RuntimeError(QStringLiteral("LoadPicture"), path, file.errorString());
        if (!file.read(4).startsWith("GIF8"))
            throw runtime::RuntimeError(QStringLiteral("LoadPicture"), path,
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
        previousDir = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(workDir.path()));
    }
    void TearDown() override {
        chmod(QFile::encodeName(workDir.path()).constData(), 0700);
        QFile::setPermissions(ScrapPath(), QFile::ReadOwner | QFile::WriteOwner);
        QDir::setCurrent(previousDir);
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
    runtime::ScopedAppDir program{appDir.path()};
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
        } catch (const runtime::RuntimeError& error) {
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
    } catch (const runtime::RuntimeError& error) {
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
    EXPECT_THROW(RecomposeScrap(view), runtime::RuntimeError);
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
        EXPECT_THROW(RecomposeScrap(view), runtime::RuntimeError);
    }
    EXPECT_EQ(view.output, Tag(1, u'b'));
    EXPECT_EQ(ScrapFile(), before);
}

namespace {

QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Writes the scrap of text in a child process, so that a write that hangs
// or a limit set for it cannot harm this one. What the child raised, "no
// failure" when it raised nothing, or "<hung>" when it did not end within
// deadlineMs and was killed.
QString WriteInChild(const QString& text, int deadlineMs, rlim_t fileSizeLimit = RLIM_INFINITY) {
    int channel[2];
    if (pipe(channel) != 0) return QStringLiteral("<no pipe>");
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        signal(SIGXFSZ, SIG_IGN);  // past the limit a write fails instead
        QString message = QStringLiteral("no failure");
        try {
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit");
            WriteScrapFile(text);
        } catch (const runtime::RuntimeError& error) {
            message = error.Message();
        } catch (const std::exception& error) {
            message = QString::fromUtf8(error.what());
        }
        const QByteArray bytes = message.toUtf8();
        [[maybe_unused]] const ssize_t written =
            write(channel[1], bytes.constData(), size_t(bytes.size()));
        _exit(0);
    }
    close(channel[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    bool ended = false;
    while (!(ended = waitpid(child, nullptr, WNOHANG) == child) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(channel[0]);
        return QStringLiteral("<hung>");
    }
    QByteArray message;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) message.append(buffer, n);
    close(channel[0]);
    return QString::fromUtf8(message);
}

QStringList FolderEntries(const QString& path) {
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                QDir::NoDotAndDotDot);
}

}  // namespace

TEST_F(RecomposeScrapTest, OnlyARegularFileIsWrittenNeverALinkOrAFifo) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("notes.txt");
    QFile notes(target);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("private notes\n");
    notes.close();

    // A link, even one of the user's own, is not followed.
    ASSERT_TRUE(QFile::link(target, ScrapPath()));
    view.text = QStringLiteral("pwn");
    try {
        RecomposeScrap(view);
        ADD_FAILURE() << "writing through a link must raise";
    } catch (const runtime::RuntimeError& error) {
        EXPECT_EQ(error.Subject(), "scrap.htm");
        EXPECT_TRUE(error.Reason().contains("symbolic link")) << error.Message().toStdString();
    }
    EXPECT_EQ(Contents(target), "private notes\n");
    EXPECT_TRUE(QFileInfo(ScrapPath()).isSymLink());
    EXPECT_EQ(view.output, TagsOf(1, QStringLiteral("pwn")));
    ASSERT_TRUE(QFile::remove(ScrapPath()));

    // A FIFO: no one reads it, so opening it for writing would wait forever.
    ASSERT_EQ(mkfifo(QFile::encodeName(ScrapPath()).constData(), 0600), 0);
    const QString message = WriteInChild(QStringLiteral("x"), 5000);
    EXPECT_NE(message, "<hung>") << "writing a FIFO scrap.htm hangs";
    EXPECT_TRUE(message.contains("scrap.htm") && message.contains("not a regular file"))
        << message.toStdString();
    EXPECT_EQ(FolderEntries(workDir.path()), QStringList{"scrap.htm"});
}

TEST_F(RecomposeScrapTest, AFailedWriteLeavesThePreviousContentWholeAndTheModeStays) {
    view.text = QStringLiteral("abc");
    RecomposeScrap(view);
    const QByteArray before = ScrapFile();
    ASSERT_TRUE(QFile::setPermissions(ScrapPath(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));

    // The disk fills up after 16 bytes of the new content.
    const QString message = WriteInChild(Twenty, 5000, 16);
    EXPECT_TRUE(message.startsWith("Write 'scrap.htm'")) << message.toStdString();
    EXPECT_EQ(ScrapFile(), before);
    EXPECT_EQ(FolderEntries(workDir.path()), QStringList{"scrap.htm"})
        << "a partial file was left behind";

    // A write that succeeds keeps the file's mode and owner.
    const QFileInfo old(ScrapPath());
    WriteScrapFile(QStringLiteral("q"));
    const QFileInfo now(ScrapPath());
    EXPECT_EQ(ScrapFile(), "q\r\n");
    EXPECT_EQ(now.permissions(), old.permissions());
    EXPECT_EQ(now.ownerId(), old.ownerId());

    // The user's own read-only file is not replaced, even though the folder
    // would take a new one.
    if (geteuid() != 0) GTEST_SKIP() << "the read-only case needs root, to act as another user";
    SetWorkDirMode(0777);
    const QString own = workDir.filePath("own");
    ASSERT_TRUE(QDir(workDir.path()).mkdir("own"));
    ASSERT_EQ(chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
    ASSERT_TRUE(QDir::setCurrent(own));
    {
        Unprivileged user;
        WriteScrapFile(QStringLiteral("mine"));
        ASSERT_EQ(chmod("scrap.htm", 0444), 0);
        EXPECT_THROW(WriteScrapFile(QStringLiteral("new")), runtime::RuntimeError);
    }
    EXPECT_EQ(Contents(QDir(own).filePath("scrap.htm")), "mine\r\n");

    // A folder that takes no new file: the user's own file there is rewritten.
    ASSERT_EQ(chmod(QFile::encodeName(QDir(own).filePath("scrap.htm")).constData(), 0644), 0);
    ASSERT_EQ(chown(QFile::encodeName(own).constData(), 0, 0), 0);
    {
        Unprivileged user;
        EXPECT_NO_THROW(WriteScrapFile(QStringLiteral("kept")));
    }
    EXPECT_EQ(Contents(QDir(own).filePath("scrap.htm")), "kept\r\n");
}

// A writer killed between creating its new file and renaming it leaves the
// file behind. The next run removes such files of its own that are older
// than a minute, and nothing else.
TEST_F(RecomposeScrapTest, StaleTemporaryFilesOfOursAreRemovedAndNothingElse) {
    const auto make = [&](const QString& name, int ageSeconds) {
        const QString path = workDir.filePath(name);
        EXPECT_TRUE(QFile(path).open(QIODevice::WriteOnly));
        const timespec times[2] = {{::time(nullptr) - ageSeconds, 0},
                                   {::time(nullptr) - ageSeconds, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        return QFile::encodeName(path);
    };
    const QStringList kept{".other.htm.0123abcd", ".scrap.htm.0123abcd0", ".scrap.htm.0123abcg",
                           ".scrap.htm.89abcdef", ".scrap.htm.fedcba98"};
    for (const QString& name : {QString(".scrap.htm.0123abcd"), kept[0], kept[1], kept[2]})
        make(name, 120);
    make(kept[3], 10);  // a write of a program running now
    ASSERT_TRUE(QFile::link(workDir.filePath("secret"), workDir.filePath(kept[4])));
    QStringList expected = kept + QStringList{"scrap.htm"};
    if (geteuid() == 0) {
        ASSERT_EQ(chown(make(".scrap.htm.11111111", 120).constData(), 65534, 65534), 0);
        expected.append(".scrap.htm.11111111");
    }
    expected.sort();

    WriteScrapFile(QStringLiteral("x"));
    EXPECT_EQ(FolderEntries(workDir.path()), expected);
}

// Another user leaves a scrap.htm in a folder both may write into, as /tmp
// is: a link to a file of this user, or a file of the other user's own.
TEST_F(RecomposeScrapTest, AnotherUsersScrapFileInASharedFolderIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root, to act as a second user (nobody, uid 65534)";
    SetWorkDirMode(01777);  // world-writable and sticky, as /tmp
    QTemporaryDir home;     // the user's own, mode 700
    const QString secret = home.filePath("secret");
    QFile file(secret);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("mine alone\n");
    file.close();
    ASSERT_TRUE(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner));

    const auto planted = [&](const char* reason) {
        view.text = QStringLiteral("pwn");
        try {
            RecomposeScrap(view);
            ADD_FAILURE() << "a scrap.htm of another user must raise (" << reason << ")";
        } catch (const runtime::RuntimeError& error) {
            EXPECT_TRUE(error.Message().contains("scrap.htm") && error.Reason().contains(reason))
                << error.Message().toStdString();
        }
        EXPECT_EQ(Contents(secret), "mine alone\n");
    };
    {
        Unprivileged other;
        ASSERT_TRUE(QFile::link(secret, ScrapPath()));
    }
    planted("symbolic link");
    ASSERT_TRUE(QFile::remove(ScrapPath()));

    {
        Unprivileged other;
        QFile page(ScrapPath());
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<script>planted</script>");
        page.close();
        ASSERT_TRUE(page.setPermissions(QFileDevice::Permissions(0x6666)));
    }
    planted("another user");
    EXPECT_EQ(ScrapFile(), "<script>planted</script>");
}
