#include "browser/BrowserService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <utility>

#include "browser/BrowserWindow.h"
#include "browser/Trace.h"
#include "browser/WindowObject.h"

BrowserService::BrowserService(QWebEngineProfile* profile) : profile_(profile) {
    firstWindowWait_.setSingleShot(true);
    firstWindowWait_.setInterval(FirstWindowWaitMs);
    connect(&firstWindowWait_, &QTimer::timeout, this, &BrowserService::Leave);
    // The next spare waits until the window just handed out has loaded.
    spareTimer_.setSingleShot(true);
    spareTimer_.setInterval(SpareDelayMs);
    connect(&spareTimer_, &QTimer::timeout, this, &BrowserService::PrepareSpare);
}

bool BrowserService::Publish(QString* error) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = QStringLiteral("no session bus: %1").arg(bus.lastError().message());
        return false;
    }
    // The objects first: whoever sees the name may call at once.
    if (!bus.registerObject(QLatin1String(FactoryPath), this, QDBusConnection::ExportAllSlots)) {
        *error = QStringLiteral("cannot register %1: %2")
                     .arg(QLatin1String(FactoryPath), bus.lastError().message());
        return false;
    }
    const auto reply = bus.interface()->registerService(
        QLatin1String(ServiceName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        *error = QStringLiteral("cannot take the name %1: %2")
                     .arg(QLatin1String(ServiceName),
                          reply.isValid() ? QStringLiteral("another browser holds it")
                                          : reply.error().message());
        return false;
    }
    firstWindowWait_.start();
    QTimer::singleShot(0, this, &BrowserService::PrepareSpare);
    return true;
}

QDBusObjectPath BrowserService::CreateWindow() {
    firstWindowWait_.stop();
    const QString path =
        QStringLiteral("%1/Window/%2").arg(QLatin1String(FactoryPath)).arg(++lastNumber_);
    BrowserWindow* window = spare_ ? std::exchange(spare_, nullptr) : new BrowserWindow(profile_);
    spareTimer_.start();
    auto* object = new WindowObject(window, path);
    if (!QDBusConnection::sessionBus().registerObject(
            path, object, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties)) {
        delete window;
        if (calledFromDBus()) {
            sendErrorReply(QDBusError::Failed,
                           QStringLiteral("cannot register the window object %1").arg(path));
        }
        return {};
    }
    ++windows_;
    connect(window, &QObject::destroyed, this, &BrowserService::WindowGone);
    connect(window, &BrowserWindow::Exposed, this,
            [path] { Trace::Write(path, QStringLiteral("exposed")); });
    connect(window, &BrowserWindow::LoadFinished, this, [path](const QUrl& url, bool ok) {
        Trace::Write(path, ok ? QStringLiteral("loaded") : QStringLiteral("load-failed"),
                     url.toString(QUrl::FullyEncoded));
    });
    Trace::Write(path, QStringLiteral("CreateWindow"));
    return QDBusObjectPath(path);
}

// A hidden window with its page process running, handed out by the next
// CreateWindow: most of a new window's cost is paid before it is asked for.
void BrowserService::PrepareSpare() {
    if (spare_) return;
    spare_ = new BrowserWindow(profile_);
    spare_->WarmUp();
}

void BrowserService::WindowGone() {
    if (--windows_ == 0) Leave();
}

// The name goes first, so that a client that looks for the browser from now
// on starts a new one instead of calling into this one as it ends.
void BrowserService::Leave() {
    delete spare_;
    spare_ = nullptr;
    QDBusConnection::sessionBus().interface()->unregisterService(QLatin1String(ServiceName));
    Trace::Write(QLatin1String(FactoryPath), QStringLiteral("quit"));
    QCoreApplication::quit();
}
