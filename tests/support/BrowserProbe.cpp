#include "tests/support/BrowserProbe.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <csignal>

#include "gui/core/ProcessStatus.h"

namespace probe {

QString TraceFile() {
    return qEnvironmentVariable("DURURIVE_BROWSER_TRACE");
}

void ClearTrace() {
    QFile(TraceFile()).open(QIODevice::WriteOnly);
}

QList<TraceLine> Trace() {
    QList<TraceLine> lines;
    QFile file(TraceFile());
    if (!file.open(QIODevice::ReadOnly)) return lines;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() < 3) continue;
        lines.append(
            {parts[0].toLongLong(), parts[1], parts[2], line.section(QLatin1Char(' '), 3)});
    }
    return lines;
}

QList<TraceLine> TraceOf(const QString& path) {
    QList<TraceLine> lines;
    for (const TraceLine& line : Trace()) {
        if (line.path == path) lines.append(line);
    }
    return lines;
}

QStringList CreatedWindows() {
    QStringList paths;
    for (const TraceLine& line : Trace()) {
        if (line.event == QLatin1String("CreateWindow")) paths.append(line.path);
    }
    return paths;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents();
        QThread::msleep(25);
    }
    return true;
}

bool WaitForTrace(const QString& path, const QString& event, int timeoutMs) {
    return WaitFor(
        [&] {
            for (const TraceLine& line : TraceOf(path)) {
                if (line.event == event) return true;
            }
            return false;
        },
        timeoutMs);
}

qint64 BrowserPid() {
    const QDBusReply<uint> reply = QDBusConnection::sessionBus().interface()->servicePid(
        QStringLiteral("org.dururive.Browser"));
    return reply.isValid() ? reply.value() : 0;
}

bool EndBrowser() {
    const qint64 pid = BrowserPid();
    if (pid <= 0) return true;
    ::kill(-pid_t(pid), SIGTERM);  // it leads a process group of its own
    return WaitFor([&] { return !IsRunning(pid) && BrowserPid() == 0; }, 10000);
}

bool IsRunning(qint64 pid) {
    return runtime::IsRunning(pid);
}

}  // namespace probe
