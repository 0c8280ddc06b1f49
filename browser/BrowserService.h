#pragma once

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QTimer>

class BrowserWindow;
class QWebEngineProfile;

// The browser's factory on the session bus (interface org.dururive.Browser at
// /org/dururive/Browser, name org.dururive.Browser). One process serves every
// window. It stays while it has windows; when the last one closes it gives up
// its name and ends. Started with none, it waits a while for a first request.
class BrowserService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.dururive.Browser")
public:
    static constexpr char ServiceName[] = "org.dururive.Browser";
    static constexpr char FactoryPath[] = "/org/dururive/Browser";
    static constexpr int FirstWindowWaitMs = 30000;
    static constexpr int SpareDelayMs = 1000;

    explicit BrowserService(QWebEngineProfile* profile);

    // Registers the factory, then takes the name. False with the reason when
    // either fails (for instance another browser holds the name).
    bool Publish(QString* error);

public slots:
    QDBusObjectPath CreateWindow();

private:
    void PrepareSpare();
    void WindowGone();
    void Leave();

    QWebEngineProfile* profile_;
    QTimer firstWindowWait_;
    QTimer spareTimer_;
    BrowserWindow* spare_ = nullptr;
    int windows_ = 0;
    int lastNumber_ = 0;
};
