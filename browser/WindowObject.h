#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QTimer>

class BrowserWindow;

// The session-bus face of one browser window (interface
// org.dururive.Browser.Window). It lives and dies with its window, so a call
// after the user closed the window finds no object. A window left hidden for
// HiddenLimitMs, from its creation or from being hidden, is closed: a client
// that never shows it does not keep the browser running.
class WindowObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.dururive.Browser.Window")
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(short Top READ Top WRITE SetTop)
    Q_PROPERTY(short Left READ Left WRITE SetLeft)
    Q_PROPERTY(short Width READ Width WRITE SetWidth)
    Q_PROPERTY(short Height READ Height WRITE SetHeight)
    Q_PROPERTY(qulonglong WindowId READ WindowId)
public:
    static constexpr int HiddenLimitMs = 5000;

    WindowObject(BrowserWindow* window, QString path);

    const QString& Path() const { return path_; }

    bool Visible() const;
    void SetVisible(bool visible);
    short Top() const;
    void SetTop(short top);
    short Left() const;
    void SetLeft(short left);
    short Width() const;
    void SetWidth(short width);
    short Height() const;
    void SetHeight(short height);
    qulonglong WindowId() const;

public slots:
    void Navigate(const QString& URL);

private:
    BrowserWindow* window_;
    QString path_;
    QTimer hiddenLimit_;
};

// What Navigate shows for its argument: an absolute file-system path, taken
// as it is written (blanks, '#' and all), of a file that ReadLocalPage read
// into *page. Empty, with the reason in *refusal, for anything else: the
// browser opens no address that is not a local file.
class QUrl;
struct LocalPage;
QUrl NavigationTarget(const QString& text, LocalPage* page, QString* refusal);
