#pragma once

#include <QList>
#include <QString>
#include <QTcpServer>

#include "gui/core/GifFrames.h"

// The glyph server's pictures come from the glyph folders beside the program,
// so that a scrap animates with no network and its tags stay as they are.
// The engine redirects a remote address neither to a local file nor to a
// scheme of our own, so GlyphInterceptor redirects glyph server addresses to
// GlyphServer, a small picture server on the loopback interface inside this
// process.
//
// Any local process can reach the port, so the server answers only under a
// random secret path that only the interceptor knows, and no client can hold
// more than a bounded share of it: a few connections, each for a few seconds,
// each read no further than a short request.
class GlyphServer : public QTcpServer {
    Q_OBJECT
public:
    static constexpr int MaxConnections = 64;  // the oldest goes for a new one
    static constexpr int ConnectionLimitMs = 5000;
    static constexpr qint64 RequestLimit = 8192;  // a request line must end within it
    static constexpr qint64 PictureLimit = runtime::MaxPictureBytes;

    GlyphServer(QString glyphRoot, QObject* parent = nullptr);

    // Listens on 127.0.0.1 at a port of the system's choice. False with the
    // reason when it cannot.
    bool Start(QString* error);
    // "http://127.0.0.1:<port>/<secret>"
    QString BaseUrl() const;

    // The file for a request path "/<secret>/<style>/<letter>.gif"; empty for
    // any other path, so nothing outside the two glyph folders is ever served.
    QString FileFor(const QString& path) const;
    // The content of file when it is a regular file of at most PictureLimit
    // bytes holding a GIF whose frames lie within its screen of at most
    // runtime::MaxPictureSide a side; empty otherwise. Never waits on a FIFO or a
    // device.
    static QByteArray ReadPicture(const QString& file);

private:
    void Accept();
    void Answer(QTcpSocket* socket);
    void Drop(QTcpSocket* socket);

    QString glyphRoot_;
    QString secret_;
    QList<QTcpSocket*> connections_;  // oldest first
};
