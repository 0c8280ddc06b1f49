#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>
#include <QStringList>

#include "tests/support/BrowserProbe.h"

// What the preview tests look at besides the browser's trace and process:
// its windows on the X display, the processes of the session.
namespace probe {

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
