// Values, member lookup and the ProgID table of the automation layer,
// and the browser's glyph picture server; no session bus needed.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <vector>

#include "browser/GlyphInterceptor.h"
#include "browser/PageRules.h"
#include "gui/automation/Members.h"
#include "gui/automation/ProgIds.h"
#include "gui/automation/Variant.h"
#include "tests/support/TinyGif.h"

namespace {

using gui::Variant;

QVariant Convert(const Variant& value, const char* signature, QString* error = nullptr) {
    QString ignored;
    return gui::ToDBusValue(value, QString::fromLatin1(signature), error ? error : &ignored);
}

TEST(AutomationValuesTest, NumbersAreRangeCheckedForTheDeclaredType) {
    const QVariant top = Convert(Variant::Integer(300), "n");
    EXPECT_EQ(top.metaType(), QMetaType::fromType<qint16>());
    EXPECT_EQ(top.value<qint16>(), 300);
    EXPECT_EQ(Convert(Variant::Long(-32768), "n").value<qint16>(), -32768);
    EXPECT_EQ(Convert(Variant::Long(32767), "n").value<qint16>(), 32767);

    QString error;
    EXPECT_FALSE(Convert(Variant::Long(70000), "n", &error).isValid())
        << "70000 wrapped into a 16-bit value";
    EXPECT_TRUE(error.contains("70000") && error.contains("16-bit")) << error.toStdString();
    EXPECT_FALSE(Convert(Variant::Long(-32769), "n").isValid());
    EXPECT_FALSE(Convert(Variant::Integer(-1), "q").isValid());
    EXPECT_FALSE(Convert(Variant::Integer(256), "y").isValid());
    EXPECT_FALSE(Convert(Variant::LongLong(-1), "t").isValid());
    EXPECT_EQ(Convert(Variant::Integer(-1), "x").value<qint64>(), -1);
    EXPECT_EQ(Convert(Variant::LongLong(4294967295LL), "u").value<quint32>(), 4294967295U);
    EXPECT_FALSE(Convert(Variant::LongLong(4294967296LL), "u").isValid());
}

TEST(AutomationValuesTest, BooleansStringsAndNumbersAreNotTakenForEachOther) {
    EXPECT_EQ(Convert(Variant::Boolean(true), "b"), QVariant(true));
    EXPECT_EQ(Convert(Variant::String(QStringLiteral("/a b/#Ü")), "s"),
              QVariant(QStringLiteral("/a b/#Ü")));
    QString error;
    EXPECT_FALSE(Convert(Variant::String(QStringLiteral("True")), "b", &error).isValid());
    EXPECT_TRUE(error.contains("boolean")) << error.toStdString();
    EXPECT_FALSE(Convert(Variant::Integer(1), "b").isValid());
    EXPECT_FALSE(Convert(Variant::Boolean(true), "n").isValid());
    EXPECT_FALSE(Convert(Variant::Integer(5), "s").isValid());
    EXPECT_FALSE(Convert(Variant(), "s").isValid());
    EXPECT_FALSE(Convert(Variant::String(QStringLiteral("x")), "a{sv}", &error).isValid());
    EXPECT_TRUE(error.contains("a{sv}")) << error.toStdString();
}

TEST(AutomationValuesTest, ReceivedValuesBecomeVariants) {
    QString error;
    EXPECT_EQ(gui::FromDBusValue(QVariant::fromValue(QDBusVariant(QVariant::fromValue(qint16(-5)))),
                                 &error),
              Variant::Integer(-5));
    EXPECT_EQ(gui::FromDBusValue(QVariant(true), &error), Variant::Boolean(true));
    EXPECT_EQ(gui::FromDBusValue(QVariant(QStringLiteral("s")), &error),
              Variant::String(QStringLiteral("s")));
    EXPECT_EQ(gui::FromDBusValue(QVariant::fromValue(qulonglong(4194329)), &error),
              Variant::LongLong(4194329));
    EXPECT_TRUE(gui::FromDBusValue(QVariant::fromValue(~qulonglong(0)), &error).IsEmpty());
    EXPECT_TRUE(gui::FromDBusValue(QVariant(QStringList{"a"}), &error).IsEmpty());
    EXPECT_FALSE(error.isEmpty());
}

// Members shaped as QtDBus makes them of a window's introspection data: a
// method's first result is its return value, further ones are references
// after its inputs.
class WindowMembers : public QObject {
    Q_OBJECT
    Q_PROPERTY(short Top READ Top WRITE SetTop)
    Q_PROPERTY(qulonglong Id READ Id)
    Q_PROPERTY(short top READ Top)

public:
    short Top() const { return 0; }
    void SetTop(short) {}
    qulonglong Id() const { return 0; }

public slots:
    // Never called: only its signature counts.
    bool Navigate(const QString& URL, int Flags, QString& page) {
        return URL.isEmpty() && Flags == 0 && page.isEmpty();
    }
    void navigate2() {}
    void Unnamed(uchar) {}

signals:
    void Moved(short top);
};

TEST(AutomationValuesTest, MembersGiveTypesAndArgumentPositions) {
    const QMetaObject& members = WindowMembers::staticMetaObject;
    EXPECT_FALSE(gui::FindMethod(members, QStringLiteral("deleteLater")).isValid())
        << "a member of QObject was taken for the object's";
    EXPECT_FALSE(gui::FindMethod(members, QStringLiteral("Moved")).isValid())
        << "a signal was taken for a method";
    const QMetaMethod navigate = gui::FindMethod(members, QStringLiteral("NAVIGATE"));
    ASSERT_TRUE(navigate.isValid());
    EXPECT_EQ(navigate.name(), "Navigate");
    const QList<gui::DBusArgument> arguments = gui::InputArguments(navigate);
    ASSERT_EQ(arguments.size(), 2) << "a result was taken for an argument";
    EXPECT_EQ(arguments[0].name, QStringLiteral("URL"));
    EXPECT_EQ(arguments[0].type, QStringLiteral("s"));
    EXPECT_EQ(arguments[1].name, QStringLiteral("Flags"));
    EXPECT_EQ(arguments[1].type, QStringLiteral("i"));
    EXPECT_TRUE(
        gui::InputArguments(gui::FindMethod(members, QStringLiteral("Navigate2"))).isEmpty());
    const QList<gui::DBusArgument> unnamed =
        gui::InputArguments(gui::FindMethod(members, QStringLiteral("unnamed")));
    ASSERT_EQ(unnamed.size(), 1);
    EXPECT_TRUE(unnamed[0].name.isEmpty());
    EXPECT_EQ(unnamed[0].type, QStringLiteral("y"));

    const QMetaProperty top = gui::FindProperty(members, QStringLiteral("TOP"));
    ASSERT_TRUE(top.isValid());
    EXPECT_STREQ(top.name(), "Top") << "not the first of the names that differ in case only";
    EXPECT_EQ(gui::DBusSignature(top.metaType()), QStringLiteral("n"));
    EXPECT_TRUE(top.isReadable() && top.isWritable());
    EXPECT_STREQ(gui::FindProperty(members, QStringLiteral("top")).name(), "top")
        << "an exact match does not win";
    const QMetaProperty id = gui::FindProperty(members, QStringLiteral("id"));
    ASSERT_TRUE(id.isValid());
    EXPECT_EQ(gui::DBusSignature(id.metaType()), QStringLiteral("t"));
    EXPECT_TRUE(id.isReadable() && !id.isWritable());
    EXPECT_FALSE(gui::FindProperty(members, QStringLiteral("Left")).isValid());
    EXPECT_FALSE(gui::FindProperty(members, QStringLiteral("objectName")).isValid());
}

TEST(AutomationValuesTest, TheBrowserProgIdIsOurBrowserAndEntriesCanBeAdded) {
    const auto browser = gui::FindProgId(QStringLiteral("internetexplorer.application"));
    ASSERT_TRUE(browser.has_value());
    EXPECT_EQ(browser->service, QStringLiteral("org.dururive.Browser"));
    EXPECT_EQ(browser->factoryPath, QStringLiteral("/org/dururive/Browser"));
    EXPECT_EQ(browser->program, QStringLiteral("dururive-browser"));
    EXPECT_FALSE(gui::FindProgId(QStringLiteral("Other.Application")).has_value());
    gui::ProgIdEntry other = *browser;
    other.progId = QStringLiteral("Other.Application");
    other.service = QStringLiteral("org.example.A");
    gui::RegisterProgId(other);
    other.progId = QStringLiteral("OTHER.Application");
    other.service = QStringLiteral("org.example.B");
    gui::RegisterProgId(other);
    EXPECT_EQ(gui::FindProgId(QStringLiteral("Other.Application"))->service,
              QStringLiteral("org.example.B"));
    EXPECT_EQ(gui::FindProgId(QStringLiteral("InternetExplorer.Application"))->service,
              browser->service);
}

// One request to the glyph server; the status line and the body.
QPair<QByteArray, QByteArray> Fetch(const GlyphServer& server, const QByteArray& path) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.serverPort());
    EXPECT_TRUE(socket.waitForConnected(3000));
    socket.write("GET " + path + " HTTP/1.1\r\nHost: x\r\n\r\n");
    QByteArray reply;
    while (socket.state() == QAbstractSocket::ConnectedState || socket.bytesAvailable()) {
        QCoreApplication::processEvents();
        if (socket.waitForReadyRead(100)) reply += socket.readAll();
        if (socket.state() != QAbstractSocket::ConnectedState) reply += socket.readAll();
    }
    const qsizetype end = reply.indexOf("\r\n\r\n");
    return {reply.left(reply.indexOf("\r\n")), end < 0 ? QByteArray() : reply.mid(end + 4)};
}

// The request path of a glyph on the server: its secret, then the glyph.
QByteArray GlyphPath(const GlyphServer& server, const char* glyph) {
    return QUrl(server.BaseUrl()).path().toLatin1() + glyph;
}

TEST(AutomationValuesTest, GlyphServerGivesOnlyTheGlyphPicturesAndOnlyUnderItsSecret) {
    GlyphServer server(QStringLiteral(DURURIVE_PROGRAM_DIR));
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    QFile picture(QStringLiteral(DURURIVE_PROGRAM_DIR "/2/z.gif"));
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    const auto glyph = Fetch(server, GlyphPath(server, "/2/z.gif"));
    EXPECT_EQ(glyph.first, "HTTP/1.0 200 OK");
    EXPECT_EQ(glyph.second, picture.readAll());
    EXPECT_GE(QUrl(server.BaseUrl()).path().size(), 33)
        << "no secret worth the name in " << server.BaseUrl().toStdString();
    GlyphServer other(QStringLiteral(DURURIVE_PROGRAM_DIR));
    EXPECT_NE(QUrl(other.BaseUrl()).path(), QUrl(server.BaseUrl()).path())
        << "the secret is not random";
    for (const QByteArray& path :
         {QByteArray("/2/z.gif"), GlyphPath(other, "/2/z.gif"), GlyphPath(server, "/../2/z.gif"),
          GlyphPath(server, "/1/../../etc/passwd"), GlyphPath(server, "/1/%2e%2e/2/a.gif"),
          GlyphPath(server, "/3/a.gif"), GlyphPath(server, "/1/A.gif"), GlyphPath(server, "/")}) {
        EXPECT_EQ(Fetch(server, path).first, "HTTP/1.0 404 Not Found") << path.constData();
    }

    const GlyphInterceptor interceptor(QStringLiteral("http://glitter.example:8080"),
                                       server.BaseUrl());
    EXPECT_EQ(interceptor.Redirected(QUrl(QStringLiteral("http://glitter.example:8080/1/a.gif"))),
              QUrl(server.BaseUrl() + QStringLiteral("/1/a.gif")));
    for (const char* elsewhere :
         {"http://glitter.example/1/a.gif", "https://glitter.example:8080/1/a.gif",
          "http://other.example:8080/1/a.gif", "file:///1/a.gif"}) {
        EXPECT_EQ(interceptor.Redirected(QUrl(QString::fromLatin1(elsewhere))),
                  QUrl(QString::fromLatin1(elsewhere)))
            << elsewhere;
    }
}

// A page is read once, from the file that passed the checks, and loads only
// the glyphs; the engine opens no local file.
TEST(AutomationValuesTest, ThePageRulesLetThroughOnlyTheOpenedPageAndTheGlyphs) {
    using Info = QWebEngineUrlRequestInfo;
    QTemporaryDir dir;
    const QString page = QDir(dir.path()).filePath(QStringLiteral("scrap.htm"));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("<br>\r\n") == 6);
    file.close();
    const QString link = QDir(dir.path()).filePath(QStringLiteral("link.htm"));
    ASSERT_TRUE(QFile::link(page, link));
    const QString fifo = QDir(dir.path()).filePath(QStringLiteral("fifo.htm"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString big = QDir(dir.path()).filePath(QStringLiteral("big.htm"));
    QFile bigFile(big);
    ASSERT_TRUE(bigFile.open(QIODevice::WriteOnly) && bigFile.resize(LocalPage::SizeLimit + 1));
    bigFile.close();

    EXPECT_EQ(ReadLocalPage(page).content, "<br>\r\n");
    EXPECT_TRUE(ReadLocalPage(page).refusal.isEmpty());
    EXPECT_TRUE(ReadLocalPage(page + "-missing").missing);
    EXPECT_TRUE(ReadLocalPage(page + "-missing").refusal.isEmpty());
    EXPECT_EQ(ReadLocalPage(link).refusal, "it is a symbolic link");
    EXPECT_EQ(ReadLocalPage(fifo).refusal, "it is not a regular file");
    EXPECT_TRUE(ReadLocalPage(big).refusal.contains("larger than"))
        << ReadLocalPage(big).refusal.toStdString();
    for (const QString& refused : {link, fifo, big})
        EXPECT_TRUE(ReadLocalPage(refused).content.isEmpty());

    const QString server = QStringLiteral("http://127.0.0.1:4000/secret");
    const GlyphInterceptor rules(QStringLiteral("http://glitter.example"), server);
    const auto allows = [&](const QString& url, Info::ResourceType type,
                            Info::NavigationType navigation) {
        return rules.Allows(QUrl(url), type, navigation);
    };
    const QString content = QStringLiteral("data:text/html;charset=ISO-8859-1,%3Cbr%3E");
    EXPECT_TRUE(allows(content, Info::ResourceTypeMainFrame, Info::NavigationTypeTyped));
    EXPECT_TRUE(allows(content, Info::ResourceTypeMainFrame, Info::NavigationTypeReload));
    EXPECT_TRUE(allows(server + "/1/a.gif", Info::ResourceTypeImage, Info::NavigationTypeOther));

    const QString pageUrl = QUrl::fromLocalFile(page).toString();
    for (const QString& path : {pageUrl, QUrl::fromLocalFile(link).toString()}) {
        EXPECT_FALSE(allows(path, Info::ResourceTypeMainFrame, Info::NavigationTypeTyped))
            << "the engine was let open " << path.toStdString();
    }
    EXPECT_FALSE(allows(content, Info::ResourceTypeMainFrame, Info::NavigationTypeLink))
        << "a page opened a page";
    EXPECT_FALSE(allows(content, Info::ResourceTypeMainFrame, Info::NavigationTypeRedirect));
    for (const Info::ResourceType type :
         {Info::ResourceTypeSubFrame, Info::ResourceTypeImage, Info::ResourceTypeXhr,
          Info::ResourceTypeStylesheet, Info::ResourceTypeScript}) {
        EXPECT_FALSE(allows(pageUrl, type, Info::NavigationTypeOther)) << type;
        EXPECT_FALSE(allows("file:///etc/passwd", type, Info::NavigationTypeOther)) << type;
        EXPECT_FALSE(allows("http://127.0.0.1:4000/other", type, Info::NavigationTypeOther))
            << type;
        EXPECT_FALSE(allows("data:text/html,x", type, Info::NavigationTypeOther)) << type;
    }
    EXPECT_FALSE(
        allows("http://127.0.0.1:9/", Info::ResourceTypeMainFrame, Info::NavigationTypeTyped));
}

// Whether the server closed the connection within timeoutMs.
bool ClosedWithin(QTcpSocket& socket, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        socket.waitForDisconnected(20);
    }
    return socket.state() != QAbstractSocket::ConnectedState;
}

// What a local process can do to the port: files that are no pictures,
// endless request lines, idle connections by the hundred.
TEST(AutomationValuesTest, GlyphServerBoundsWhatAnyClientCanTake) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("1")));
    const QString folder = QDir(root.path()).filePath(QStringLiteral("1"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/a.gif").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), folder + "/b.gif"));
    QFile big(folder + "/c.gif");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(GlyphServer::PictureLimit + 1));
    big.close();
    // A GIF whose frame is larger than its screen costs the page process
    // gigabytes; a picture that is no GIF is sniffed and decoded all the same.
    QFile crafted(folder + "/d.gif");
    ASSERT_TRUE(crafted.open(QIODevice::WriteOnly) &&
                crafted.write(TinyGif(16, 16, {QRect(0, 0, 16, 16), QRect(0, 0, 20000, 20000)})));
    crafted.close();
    QFile png(folder + "/e.gif");
    ASSERT_TRUE(png.open(QIODevice::WriteOnly) && png.write("\x89PNG\r\n\x1a\n", 8) == 8);
    png.close();
    QFile fits(folder + "/f.gif");
    ASSERT_TRUE(fits.open(QIODevice::WriteOnly) &&
                fits.write(TinyGif(16, 16, {QRect(4, 4, 12, 12)})));
    fits.close();
    GlyphServer server(root.path());
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    EXPECT_EQ(Fetch(server, GlyphPath(server, "/1/f.gif")).first, "HTTP/1.0 200 OK");
    for (const char* glyph : {"/1/a.gif", "/1/b.gif", "/1/c.gif", "/1/d.gif", "/1/e.gif"}) {
        EXPECT_EQ(Fetch(server, GlyphPath(server, glyph)).first, "HTTP/1.0 404 Not Found") << glyph;
    }

    QTcpSocket endless;
    endless.connectToHost(QHostAddress::LocalHost, server.serverPort());
    ASSERT_TRUE(endless.waitForConnected(3000));
    const QByteArray chunk(64 * 1024, 'x');
    for (int i = 0; i < 64 && endless.state() == QAbstractSocket::ConnectedState; ++i) {
        endless.write(chunk);
        endless.waitForBytesWritten(50);
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(ClosedWithin(endless, 2000)) << "a request line without end is still read";
    QTcpSocket halfClosed;
    halfClosed.connectToHost(QHostAddress::LocalHost, server.serverPort());
    ASSERT_TRUE(halfClosed.waitForConnected(3000));
    ::shutdown(int(halfClosed.socketDescriptor()), SHUT_WR);
    EXPECT_TRUE(ClosedWithin(halfClosed, 1000)) << "a connection its client closed is held";

    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < GlyphServer::MaxConnections + 50; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, server.serverPort());
        ASSERT_TRUE(idle.back()->waitForConnected(3000));
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(ClosedWithin(*idle.front(), 2000))
        << "more idle connections than the limit are all held";
    EXPECT_EQ(Fetch(server, GlyphPath(server, "/1/c.gif")).first, "HTTP/1.0 404 Not Found")
        << "the server no longer answers";
    EXPECT_TRUE(ClosedWithin(*idle.back(), GlyphServer::ConnectionLimitMs + 2000))
        << "an idle connection is held";
}

}  // namespace

#include "AutomationValuesTest.moc"
