#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

// What the preview tests look at from outside the browser: its trace, its
// windows on the X display, its processes.
namespace probe {

struct TraceLine {
    qint64 time = 0;
    QString path;
    QString event;
    QString value;
};

// The trace the browser keeps while DURURIVE_BROWSER_TRACE names a file.
QString TraceFile();
void ClearTrace();
QList<TraceLine> Trace();
QList<TraceLine> TraceOf(const QString& path);
// The object paths of the windows created since the trace was cleared.
QStringList CreatedWindows();

// Polls (running the event loop) until done() or timeoutMs passed.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);
bool WaitForTrace(const QString& path, const QString& event, int timeoutMs);

// A property of a browser window object, read with a plain D-Bus call.
qulonglong WindowId(const QString& path);
bool WindowObjectExists(const QString& path);

// The outer rectangle of a top-level window, its frame included, from
// xwininfo and the window manager's _NET_FRAME_EXTENTS.
QRect OuterRect(qulonglong windowId);
// The frame the window manager put around the window (_NET_FRAME_EXTENTS).
QMargins FrameExtents(qulonglong windowId);
bool IsViewable(qulonglong windowId);
QString WindowTitle(qulonglong windowId);
// Asks the window manager to close the window, as its close box does.
void CloseWindow(qulonglong windowId);

// The pid of the browser on the bus, 0 when it is not there.
qint64 BrowserPid();
// Ends the browser on the bus, with its engine processes, as a user's
// logging out would; true once it is gone.
bool EndBrowser();
bool IsRunning(qint64 pid);
qint64 SessionOf(qint64 pid);
// The running processes of a session, "pid name" each.
QStringList ProcessesInSession(qint64 session);
// The running processes of the program name whose environment holds setting.
QList<qint64> ProcessesWithEnvironment(const QString& name, const QString& setting);

// "import" of a screen rectangle.
QString Screenshot(const QRect& rect, const QString& file);

// Runs a program to its end; its exit code, -1 when it did not end in time
// or crashed. The output is what it wrote either way.
int Run(const QString& program, const QStringList& arguments, int timeoutMs,
        QString* output = nullptr, const QStringList& environment = {},
        const QString& directory = {});

}  // namespace probe
