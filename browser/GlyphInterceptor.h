#pragma once

#include <QString>
#include <QTcpServer>
#include <QWebEngineUrlRequestInterceptor>

// The glyph server's pictures come from the glyph folders beside the program,
// so that a scrap animates with no network and its tags stay as they are.
// The engine redirects a remote address neither to a local file nor to a
// scheme of our own, so GlyphInterceptor redirects glyph server addresses to
// GlyphServer, a small picture server on the loopback interface inside this
// process. Every other address goes out unchanged.
class GlyphServer : public QTcpServer {
    Q_OBJECT
public:
    GlyphServer(QString glyphRoot, QObject* parent = nullptr);

    // Listens on 127.0.0.1 at a port of the system's choice. False with the
    // reason when it cannot.
    bool Start(QString* error);
    // "http://127.0.0.1:<port>"
    QString BaseUrl() const;

    // The file for a request path "/<style>/<letter>.gif"; empty for any
    // other path, so nothing outside the two glyph folders is ever served.
    QString FileFor(const QString& path) const;

private:
    void Answer(QTcpSocket* socket);

    QString glyphRoot_;
};

class GlyphInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    GlyphInterceptor(QString glyphBaseUrl, QString serverBaseUrl, QObject* parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Where a request for url goes: the same address when it is not on the
    // glyph server, else the same path on our picture server.
    QUrl Redirected(const QUrl& url) const;

private:
    QUrl glyphBase_;
    QString serverBaseUrl_;
};
