#include "browser/GlyphInterceptor.h"

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
