#include "BrowserProbe.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>

#include "gui/core/ProcessStatus.h"

namespace probe {

namespace {
const QString Service = QStringLiteral("org.dururive.Browser");
const QString WindowInterface = QStringLiteral("org.dururive.Browser.Window");

QString Output(const QString& program, const QStringList& arguments) {
    QString output;
    Run(program, arguments, 10000, &output);
    return output;
}

int Field(const QString& text, const QString& label) {
    const QRegularExpression pattern(QRegularExpression::escape(label) +
                                     QStringLiteral(":\\s*(-?\\d+)"));
    return pattern.match(text).captured(1).toInt();
}
}  // namespace

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

qulonglong WindowId(const QString& path) {
    QDBusInterface properties(Service, path, QStringLiteral("org.freedesktop.DBus.Properties"));
    const QDBusReply<QDBusVariant> reply =
        properties.call(QStringLiteral("Get"), WindowInterface, QStringLiteral("WindowId"));
    return reply.isValid() ? reply.value().variant().toULongLong() : 0;
}

bool WindowObjectExists(const QString& path) {
    return WindowId(path) != 0;
}

QMargins FrameExtents(qulonglong windowId) {
    const QString extents = Output(
        QStringLiteral("xprop"),
        {QStringLiteral("-id"), QString::number(windowId), QStringLiteral("_NET_FRAME_EXTENTS")});
    const auto match =
        QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(extents);
    // left, right, top, bottom
    return QMargins(match.captured(1).toInt(), match.captured(3).toInt(), match.captured(2).toInt(),
                    match.captured(4).toInt());
}

QRect OuterRect(qulonglong windowId) {
    const QString info =
        Output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(windowId)});
    const QRect client(Field(info, QStringLiteral("Absolute upper-left X")),
                       Field(info, QStringLiteral("Absolute upper-left Y")),
                       Field(info, QStringLiteral("Width")), Field(info, QStringLiteral("Height")));
    return client.marginsAdded(FrameExtents(windowId));
}

bool IsViewable(qulonglong windowId) {
    return Output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(windowId)})
        .contains(QLatin1String("Map State: IsViewable"));
}

QString WindowTitle(qulonglong windowId) {
    const QString text =
        Output(QStringLiteral("xprop"),
               {QStringLiteral("-id"), QString::number(windowId), QStringLiteral("_NET_WM_NAME")});
    return text.section(QLatin1Char('"'), 1, -2);
}

void CloseWindow(qulonglong windowId) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const char name[] = "_NET_CLOSE_WINDOW";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(windowId);
    event.type = atom->atom;
    event.data.data32[1] = 2;  // a request from a pager or task bar: the user
    const xcb_void_cookie_t sent = xcb_send_event_checked(
        connection, 0, screen->root,
        XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
        reinterpret_cast<const char*>(&event));
    free(xcb_request_check(connection, sent));
    free(atom);
    xcb_disconnect(connection);
}

qint64 BrowserPid() {
    const QDBusReply<uint> reply = QDBusConnection::sessionBus().interface()->servicePid(Service);
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

qint64 SessionOf(qint64 pid) {
    return runtime::ReadProcessStatus(pid).session;
}

QStringList ProcessesInSession(qint64 session) {
    QStringList processes;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || !IsRunning(pid) || SessionOf(pid) != session) continue;
        QFile name(QStringLiteral("/proc/%1/comm").arg(pid));
        name.open(QIODevice::ReadOnly);
        processes.append(
            QStringLiteral("%1 %2").arg(pid).arg(QString::fromLocal8Bit(name.readAll().trimmed())));
    }
    return processes;
}

QList<qint64> ProcessesWithEnvironment(const QString& name, const QString& setting) {
    QList<qint64> pids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || !IsRunning(pid)) continue;
        if (!QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid))
                 .endsWith(QLatin1Char('/') + name))
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
        if (environ.open(QIODevice::ReadOnly) &&
            environ.readAll().split('\0').contains(setting.toLocal8Bit())) {
            pids.append(pid);
        }
    }
    return pids;
}

QString Screenshot(const QRect& rect, const QString& file) {
    Run(QStringLiteral("import"),
        {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
         QStringLiteral("%1x%2+%3+%4")
             .arg(rect.width())
             .arg(rect.height())
             .arg(rect.x())
             .arg(rect.y()),
         file},
        20000);
    return file;
}

int Run(const QString& program, const QStringList& arguments, int timeoutMs, QString* output,
        const QStringList& environment, const QString& directory) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    if (!directory.isEmpty()) process.setWorkingDirectory(directory);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    if (output) {
        *output = QString::fromLocal8Bit(process.readAllStandardOutput() +
                                         process.readAllStandardError());
    }
    return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace probe
