#include "browser/WindowObject.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QUrl>

#include "browser/BrowserWindow.h"
#include "browser/Trace.h"

WindowObject::WindowObject(BrowserWindow* window, QString path)
    : QObject(window), window_(window), path_(std::move(path)) {}

bool WindowObject::Visible() const { return window_->isVisible(); }

void WindowObject::SetVisible(bool visible) {
    Trace::Write(path_, QStringLiteral("Visible"), visible ? QStringLiteral("true") : QStringLiteral("false"));
    window_->setVisible(visible);
}

short WindowObject::Top() const { return short(window_->OuterRect().top()); }

void WindowObject::SetTop(short top) {
    Trace::Write(path_, QStringLiteral("Top"), QString::number(top));
    window_->SetOuterTop(top);
}

short WindowObject::Left() const { return short(window_->OuterRect().left()); }

void WindowObject::SetLeft(short left) {
    Trace::Write(path_, QStringLiteral("Left"), QString::number(left));
    window_->SetOuterLeft(left);
}

short WindowObject::Width() const { return short(window_->OuterRect().width()); }

void WindowObject::SetWidth(short width) {
    Trace::Write(path_, QStringLiteral("Width"), QString::number(width));
    window_->SetOuterWidth(width);
}

short WindowObject::Height() const { return short(window_->OuterRect().height()); }

void WindowObject::SetHeight(short height) {
    Trace::Write(path_, QStringLiteral("Height"), QString::number(height));
    window_->SetOuterHeight(height);
}

qulonglong WindowObject::WindowId() const { return window_->winId(); }

void WindowObject::Navigate(const QString& URL) {
    Trace::Write(path_, QStringLiteral("Navigate"), URL);
    const QUrl target = NavigationTarget(URL);
    if (!target.isValid()) {
        if (calledFromDBus()) sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("Navigate: '%1' is neither an absolute file-system path nor "
                                      "an absolute URL")
                                              .arg(URL));
        return;
    }
    window_->Navigate(target);
}

QUrl NavigationTarget(const QString& text) {
    if (text.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(text);
    const QUrl url(text, QUrl::StrictMode);
    if (url.isValid() && !url.isRelative()) return url;
    return {};
}
