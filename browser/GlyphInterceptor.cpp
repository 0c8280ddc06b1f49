#include "browser/GlyphInterceptor.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include "gui/core/GifFrames.h"

namespace {

QString RandomSecret() {
    QByteArray bytes(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
}

bool IsSmallRegularFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_size <= GlyphServer::PictureLimit;
}

}  // namespace

GlyphServer::GlyphServer(QString glyphRoot, QObject* parent)
    : QTcpServer(parent), glyphRoot_(std::move(glyphRoot)), secret_(RandomSecret()) {
    connect(this, &QTcpServer::newConnection, this, &GlyphServer::Accept);
}

bool GlyphServer::Start(QString* error) {
    if (listen(QHostAddress::LocalHost, 0)) return true;
    *error = QStringLiteral("cannot serve the glyph pictures on 127.0.0.1: %1").arg(errorString());
    return false;
}

QString GlyphServer::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(serverPort()).arg(secret_);
}

QString GlyphServer::FileFor(const QString& path) const {
    static const QRegularExpression glyphPath(QStringLiteral("^/([12])/([a-z])\\.gif$"));
    const QString prefix = QLatin1Char('/') + secret_;
    if (!path.startsWith(prefix)) return {};
    const QString glyph = path.mid(prefix.size());
    if (!glyphPath.match(glyph).hasMatch()) return {};
    return glyphRoot_ + glyph;
}

// Looked at before it is opened, so that no device is ever opened, and
// again once open, for what was there by then.
QByteArray GlyphServer::ReadPicture(const QString& file) {
    const QByteArray name = QFile::encodeName(file);
    struct stat info {};
    if (file.isEmpty() || ::stat(name.constData(), &info) != 0 || !IsSmallRegularFile(info))
        return {};
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    QFile picture;
    if (::fstat(fd, &info) != 0 || !IsSmallRegularFile(info) ||
        !picture.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    // The page process decodes every frame: one larger than the picture's
    // screen costs gigabytes, so only a GIF whose frames all fit is served.
    const QByteArray bytes = picture.read(PictureLimit);
    if (!bytes.startsWith("GIF8") || !gui::GifFramesRefusal(bytes).isEmpty()) return {};
    return bytes;
}

void GlyphServer::Accept() {
    while (QTcpSocket* socket = nextPendingConnection()) {
        if (connections_.size() >= MaxConnections) Drop(connections_.first());
        connections_.append(socket);
        socket->setReadBufferSize(RequestLimit);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { Drop(socket); });
        QTimer::singleShot(ConnectionLimitMs, socket, [this, socket] { Drop(socket); });
    }
}

// Closes the connection at once and forgets it.
void GlyphServer::Drop(QTcpSocket* socket) {
    socket->disconnect(this);
    connections_.removeOne(socket);
    socket->abort();
    socket->deleteLater();
}

// One request per connection: "GET <path> HTTP/1.x", answered and closed.
void GlyphServer::Answer(QTcpSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= RequestLimit) Drop(socket);  // no end to the line
        return;
    }
    const QList<QByteArray> request = socket->readLine(RequestLimit).trimmed().split(' ');
    QByteArray body;
    if (request.size() == 3 && (request[0] == "GET" || request[0] == "HEAD")) {
        body = ReadPicture(FileFor(QUrl(QString::fromLatin1(request[1])).path()));
    }
    QByteArray reply =
        "HTTP/1.0 " + QByteArray(body.isEmpty() ? "404 Not Found" : "200 OK") +
        "\r\nContent-Type: " + QByteArray(body.isEmpty() ? "text/plain" : "image/gif") +
        "\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\nCache-Control: max-age=3600\r\nConnection: close\r\n\r\n";
    if (request.value(0) != "HEAD") reply += body;
    QObject::disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->write(reply);
    socket->disconnectFromHost();
}

GlyphInterceptor::GlyphInterceptor(QString glyphBaseUrl, QString serverBaseUrl, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent),
      glyphBase_(glyphBaseUrl),
      serverBaseUrl_(std::move(serverBaseUrl)) {}

QUrl GlyphInterceptor::Redirected(const QUrl& url) const {
    if (url.scheme() != glyphBase_.scheme() || url.host() != glyphBase_.host() ||
        url.port(-1) != glyphBase_.port(-1)) {
        return url;
    }
    return QUrl(serverBaseUrl_ + url.path(QUrl::FullyEncoded));
}

bool GlyphInterceptor::Allows(const QUrl& url, QWebEngineUrlRequestInfo::ResourceType type,
                              QWebEngineUrlRequestInfo::NavigationType navigation) const {
    if (url.toString(QUrl::FullyEncoded).startsWith(serverBaseUrl_ + QLatin1Char('/'))) return true;
    if (type != QWebEngineUrlRequestInfo::ResourceTypeMainFrame) return false;
    if (url == QUrl(QStringLiteral("about:blank"))) return true;
    const bool byTheBrowser = navigation == QWebEngineUrlRequestInfo::NavigationTypeTyped ||
                              navigation == QWebEngineUrlRequestInfo::NavigationTypeReload ||
                              navigation == QWebEngineUrlRequestInfo::NavigationTypeBackForward;
    // A page is handed to the engine as its checked content (ReadLocalPage),
    // never as a path for the engine to open.
    return byTheBrowser && url.scheme() == QLatin1String("data");
}

void GlyphInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QUrl url = info.requestUrl();
    const QUrl target = Redirected(url);
    if (target != url) {
        info.redirect(target);
    } else if (!Allows(url, info.resourceType(), info.navigationType())) {
        info.block(true);
    }
}
