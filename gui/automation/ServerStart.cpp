#include "gui/automation/ServerStart.h"

#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <csignal>

#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"

namespace gui {

namespace {

const QString Operation = QStringLiteral("Create object");

// A process that has ended but was not reaped yet counts as ended: a
// detached server belongs to init, which may be slow to reap or never reap.
bool IsRunning(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0 || close + 2 >= text.size()) return false;
    const char state = text[close + 2];
    return state != 'Z' && state != 'X';
}

// The server leads a session and process group of its own, so ending the
// group ends whatever it started too. Never our own group.
void SignalGroup(qint64 pid, int signal) {
    if (pid > 1 && pid_t(pid) != ::getpgrp()) ::kill(-pid_t(pid), signal);
    ::kill(pid_t(pid), signal);
}

void EndServer(qint64 pid) {
    SignalGroup(pid, SIGTERM);
    QDeadlineTimer grace(2000);
    while (IsRunning(pid) && !grace.hasExpired()) QThread::msleep(20);
    SignalGroup(pid, SIGKILL);
}

QString LogFile(const ProgIdEntry& entry) {
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtimeDir.isEmpty() || !QFileInfo(runtimeDir).isDir()) return QProcess::nullDevice();
    return runtimeDir + QLatin1Char('/') + QFileInfo(ServerProgram(entry)).fileName() +
           QStringLiteral(".log");
}

QString LogNote(const QString& log) {
    if (log == QProcess::nullDevice()) return {};
    return QStringLiteral(" (its messages are in %1)").arg(log);
}

}  // namespace

QString ServerProgram(const ProgIdEntry& entry) {
    if (QDir::isAbsolutePath(entry.program)) return entry.program;
    return AppDir() + QLatin1Char('/') + entry.program;
}

void StartServer(const ProgIdEntry& entry, const QDBusConnection& bus) {
    const QString program = ServerProgram(entry);
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        throw RuntimeError(
            Operation, entry.progId,
            QStringLiteral("its program %1 is missing or not executable").arg(program));
    }
    const QString log = LogFile(entry);
    // setsid(1) makes the detached process the leader of a new session and
    // process group and then becomes the program, keeping its pid.
    const QString setsid = QStandardPaths::findExecutable(QStringLiteral("setsid"));
    if (setsid.isEmpty()) {
        throw RuntimeError(Operation, entry.progId,
                           QStringLiteral("setsid, needed to detach its program, is missing"));
    }
    QProcess process;
    process.setProgram(setsid);
    process.setArguments({program});
    process.setStandardInputFile(QProcess::nullDevice());
    if (log != QProcess::nullDevice()) QFile(log).open(QIODevice::WriteOnly);  // a fresh log
    process.setStandardOutputFile(log, QIODevice::Append);
    process.setStandardErrorFile(log, QIODevice::Append);
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        throw RuntimeError(Operation, entry.progId,
                           QStringLiteral("its program %1 could not be started: %2")
                               .arg(program, process.errorString()));
    }
    QDeadlineTimer deadline(entry.startTimeoutMs);
    while (!bus.interface()->isServiceRegistered(entry.service)) {
        if (!IsRunning(pid)) {
            SignalGroup(pid, SIGKILL);  // what it left behind
            throw RuntimeError(Operation, entry.progId,
                               QStringLiteral("its program %1 ended during start-up%2")
                                   .arg(program, LogNote(log)));
        }
        if (deadline.hasExpired()) {
            EndServer(pid);
            throw RuntimeError(
                Operation, entry.progId,
                QStringLiteral(
                    "its program %1 did not appear on the session bus as %2 within %3 ms%4")
                    .arg(program, entry.service)
                    .arg(entry.startTimeoutMs)
                    .arg(LogNote(log)));
        }
        // The caller waits for nothing else; a short nap keeps the delay
        // after the name appears small at the cost of a few cheap bus calls.
        QThread::msleep(2);
    }
}

}  // namespace gui
