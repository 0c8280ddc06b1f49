#include "gui/automation/ServerStart.h"

#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <csignal>

#include "gui/automation/Automation.h"
#include "gui/core/AppDir.h"
#include "gui/core/ProcessStatus.h"
#include "gui/core/RuntimeError.h"

namespace gui {

namespace {

const QString Operation = QStringLiteral("Create object");

// The server leads a session and process group of its own, so ending the
// group ends whatever it started too. Never our own group.
void SignalGroup(qint64 pid, int signal) {
    if (pid > 1 && pid_t(pid) != ::getpgrp()) ::kill(-pid_t(pid), signal);
    ::kill(pid_t(pid), signal);
}

// How long the server may take to appear: within a command's wait, no
// longer than the command waits.
int StartLimitMs(const ProgIdEntry& entry) {
    const AutomationWait* wait = AutomationWait::Current();
    return wait ? std::min(entry.startTimeoutMs, wait->TimeoutMs()) : entry.startTimeoutMs;
}

QDeadlineTimer StartDeadline(const ProgIdEntry& entry) {
    const AutomationWait* wait = AutomationWait::Current();
    const QDeadlineTimer own(entry.startTimeoutMs);
    return wait ? std::min(own, wait->Deadline()) : own;
}

// Waits until the name is taken, the process ended or the deadline passed,
// running the caller's events but its user input meanwhile.
void WaitForName(const ProgIdEntry& entry, const QDBusConnection& bus, qint64 pid,
                 const QDeadlineTimer& deadline) {
    QEventLoop loop;
    QDBusServiceWatcher watcher(entry.service, bus, QDBusServiceWatcher::WatchForRegistration);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (!runtime::IsRunning(pid) || deadline.hasExpired()) loop.quit();
    });
    look.start(10);
    // The name may have come before the watcher was there.
    if (bus.interface()->isServiceRegistered(entry.service)) return;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// The process that holds the entry's name is the entry's program, run by this
// user, and leads its own process group as StartServer leaves it: its pid, or 0.
qint64 OwnServerPid(const ProgIdEntry& entry, const QDBusConnection& bus) {
    const QDBusReply<uint> pid = bus.interface()->servicePid(entry.service);
    const QDBusReply<uint> uid = bus.interface()->serviceUid(entry.service);
    if (!pid.isValid() || !uid.isValid() || uid.value() != ::geteuid()) return 0;
    const QString running = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid.value()));
    const QString program = QFileInfo(ServerProgram(entry)).canonicalFilePath();
    if (running.isEmpty() || running != program ||
        ::getpgid(pid_t(pid.value())) != pid_t(pid.value()))
        return 0;
    return pid.value();
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
    return runtime::AppDir() + QLatin1Char('/') + entry.program;
}

void StartServer(const ProgIdEntry& entry, const QDBusConnection& bus) {
    const QString program = ServerProgram(entry);
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        throw runtime::RuntimeError(
            Operation, entry.progId,
            QStringLiteral("its program %1 is missing or not executable").arg(program));
    }
    const QString log = LogFile(entry);
    // setsid(1) makes the detached process the leader of a new session and
    // process group and then becomes the program, keeping its pid.
    const QString setsid = QStandardPaths::findExecutable(QStringLiteral("setsid"));
    if (setsid.isEmpty()) {
        throw runtime::RuntimeError(
            Operation, entry.progId,
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
        throw runtime::RuntimeError(Operation, entry.progId,
                                    QStringLiteral("its program %1 could not be started: %2")
                                        .arg(program, process.errorString()));
    }
    const QDeadlineTimer deadline = StartDeadline(entry);
    while (!bus.interface()->isServiceRegistered(entry.service)) {
        if (!runtime::IsRunning(pid)) {
            SignalGroup(pid, SIGKILL);  // what it left behind
            throw runtime::RuntimeError(Operation, entry.progId,
                                        QStringLiteral("its program %1 ended during start-up%2")
                                            .arg(program, LogNote(log)));
        }
        if (deadline.hasExpired()) {
            SignalGroup(pid, SIGKILL);  // it has had its time
            throw runtime::RuntimeError(
                Operation, entry.progId,
                QStringLiteral(
                    "its program %1 did not appear on the session bus as %2 within %3 ms%4")
                    .arg(program, entry.service)
                    .arg(StartLimitMs(entry))
                    .arg(LogNote(log)));
        }
        WaitForName(entry, bus, pid, deadline);
    }
}

bool EndUnansweringServer(const ProgIdEntry& entry, const QDBusConnection& bus) {
    const qint64 pid = OwnServerPid(entry, bus);
    if (pid == 0) return false;
    // A stopped process acts on no other signal; a hung one has had its time.
    SignalGroup(pid, SIGKILL);
    return true;
}

}  // namespace gui
