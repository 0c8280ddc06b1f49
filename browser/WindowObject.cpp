#include "browser/WindowObject.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QUrl>

#include "browser/BrowserWindow.h"
#include "browser/PageRules.h"
#include "browser/Trace.h"

WindowObject::WindowObject(BrowserWindow* window, QString path)
    : QObject(window), window_(window), path_(std::move(path)) {
    hiddenLimit_.setSingleShot(true);
    hiddenLimit_.setInterval(HiddenLimitMs);
    connect(&hiddenLimit_, &QTimer::timeout, this, [this] {
        if (window_->isVisible()) return;
        Trace::Write(path_, QStringLiteral("dropped"));
        window_->deleteLater();
    });
    hiddenLimit_.start();
}

bool WindowObject::Visible() const {
    return window_->isVisible();
}

void WindowObject::SetVisible(bool visible) {
    Trace::Write(path_, QStringLiteral("Visible"),
                 visible ? QStringLiteral("true") : QStringLiteral("false"));
    window_->setVisible(visible);
    if (visible) {
        hiddenLimit_.stop();
    } else {
        hiddenLimit_.start();
    }
}

short WindowObject::Top() const {
    return short(window_->OuterRect().top());
}

void WindowObject::SetTop(short top) {
    Trace::Write(path_, QStringLiteral("Top"), QString::number(top));
    window_->SetOuterTop(top);
}

short WindowObject::Left() const {
    return short(window_->OuterRect().left());
}

void WindowObject::SetLeft(short left) {
    Trace::Write(path_, QStringLiteral("Left"), QString::number(left));
    window_->SetOuterLeft(left);
}

short WindowObject::Width() const {
    return short(window_->OuterRect().width());
}

void WindowObject::SetWidth(short width) {
    Trace::Write(path_, QStringLiteral("Width"), QString::number(width));
    window_->SetOuterWidth(width);
}

short WindowObject::Height() const {
    return short(window_->OuterRect().height());
}

void WindowObject::SetHeight(short height) {
    Trace::Write(path_, QStringLiteral("Height"), QString::number(height));
    window_->SetOuterHeight(height);
}

qulonglong WindowObject::WindowId() const {
    return window_->winId();
}

void WindowObject::Navigate(const QString& URL) {
    Trace::Write(path_, QStringLiteral("Navigate"), URL);
    QString refusal;
    LocalPage page;
    const QUrl target = NavigationTarget(URL, &page, &refusal);
    if (target.isEmpty()) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("Navigate: ") + refusal);
        return;
    }
    window_->Navigate(target, page);
}

QUrl NavigationTarget(const QString& text, LocalPage* page, QString* refusal) {
    if (!text.startsWith(QLatin1Char('/'))) {
        *refusal =
            QStringLiteral(
                "'%1' is not an absolute file-system path; the browser opens local files only")
                .arg(text);
        return {};
    }
    *page = ReadLocalPage(text);
    if (!page->refusal.isEmpty()) {
        *refusal = QStringLiteral("refused to open '%1': %2").arg(text, page->refusal);
        return {};
    }
    return QUrl::fromLocalFile(text);
}
