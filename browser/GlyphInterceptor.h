#pragma once

#include <QString>
#include <QWebEngineUrlRequestInterceptor>

// Redirects glyph pictures to the glyph server and blocks every other
// request but the page that the browser was asked to open: a page may run
// no script, read no other file and reach no other address.
class GlyphInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    GlyphInterceptor(QString glyphBaseUrl, QString serverBaseUrl, QObject* parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Where a request for url goes: the same address when it is not on the
    // glyph server, else the same path on our picture server.
    QUrl Redirected(const QUrl& url) const;
    // Whether a request that is not redirected may go out: a picture of our
    // server, the empty page, or a page's content handed over by the browser
    // itself (not by a page). No local file is opened by the engine.
    bool Allows(const QUrl& url, QWebEngineUrlRequestInfo::ResourceType type,
                QWebEngineUrlRequestInfo::NavigationType navigation) const;

private:
    QUrl glyphBase_;
    QString serverBaseUrl_;
};
