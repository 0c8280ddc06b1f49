#include "browser/GlyphInterceptor.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrl>

GlyphServer::GlyphServer(QString glyphRoot, QObject* parent)
    : QTcpServer(parent), glyphRoot_(std::move(glyphRoot)) {
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool GlyphServer::Start(QString* error) {
    if (listen(QHostAddress::LocalHost, 0)) return true;
    *error = QStringLiteral("cannot serve the glyph pictures on 127.0.0.1: %1").arg(errorString());
    return false;
}

QString GlyphServer::BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

QString GlyphServer::FileFor(const QString& path) const {
    static const QRegularExpression glyphPath(QStringLiteral("^/([12])/([a-z])\\.gif$"));
    if (!glyphPath.match(path).hasMatch()) return {};
    return glyphRoot_ + path;
}

// One request per connection: "GET <path> HTTP/1.x", answered and closed.
void GlyphServer::Answer(QTcpSocket* socket) {
    if (!socket->canReadLine()) return;
    const QList<QByteArray> request = socket->readLine().trimmed().split(' ');
    QByteArray body;
    QByteArray status = "404 Not Found";
    if (request.size() == 3 && (request[0] == "GET" || request[0] == "HEAD")) {
        QFile file(FileFor(QUrl(QString::fromLatin1(request[1])).path()));
        if (!file.fileName().isEmpty() && file.open(QIODevice::ReadOnly)) {
            body = file.readAll();
            status = "200 OK";
        }
    }
    QByteArray reply = "HTTP/1.0 " + status + "\r\nContent-Type: " +
                       (body.isEmpty() ? QByteArray("text/plain") : QByteArray("image/gif")) +
                       "\r\nContent-Length: " + QByteArray::number(body.size()) +
                       "\r\nCache-Control: max-age=3600\r\nConnection: close\r\n\r\n";
    if (request.value(0) != "HEAD") reply += body;
    socket->disconnect(this);
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

void GlyphInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QUrl target = Redirected(info.requestUrl());
    if (target != info.requestUrl()) info.redirect(target);
}
