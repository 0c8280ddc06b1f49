#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// What the tests and the benchmark see of the browser from outside: the
// trace it writes (browser/Trace.h) and its process on the bus.
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

// The pid of the browser on the bus, 0 when it is not there.
qint64 BrowserPid();
// Ends the browser on the bus, with its engine processes, as a user's
// logging out would; true once it is gone.
bool EndBrowser();
bool IsRunning(qint64 pid);

}  // namespace probe
