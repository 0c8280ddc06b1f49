#include "browser/GlyphServer.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include "gui/core/GifFrames.h"
#include "gui/core/RuntimeError.h"

namespace {

QString RandomSecret() {
    QByteArray bytes(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
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
    if (file.isEmpty()) return {};
    // The page process decodes every frame: one larger than the picture's
    // screen costs gigabytes, so only a GIF whose frames all fit is served.
    try {
        const QByteArray bytes = runtime::ReadPictureBytes(QStringLiteral("Serve"), file);
        return bytes.startsWith("GIF8") ? bytes : QByteArray();
    } catch (const runtime::RuntimeError&) {
        return {};
    }
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
