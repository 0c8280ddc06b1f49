// The automation layer against the real browser and against servers that
// fail, in a desktop session of its own.
#include <gtest/gtest.h>

#include <QCursor>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QXmlStreamReader>

#include "BrowserProbe.h"
#include "gui/automation/Automation.h"
#include "gui/automation/Members.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"

namespace {

using gui::AutomationObject;
using gui::Variant;
using runtime::RuntimeError;

const QString Browser = QStringLiteral("InternetExplorer.Application");

class AutomationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        runtime::SetAppDir(QStringLiteral(PROGRAM_DIR));
        qputenv("DURURIVE_BROWSER_TRACE",
                QDir(dir_.path()).filePath(QStringLiteral("trace")).toUtf8());
    }

private:
    QTemporaryDir dir_;
};
const auto* const environment = testing::AddGlobalTestEnvironment(new AutomationEnvironment);

// The message of the RuntimeError that call() throws; empty when it throws
// none.
template <typename Call>
QString ErrorOf(Call call) {
    try {
        call();
    } catch (const RuntimeError& error) {
        return error.Message();
    }
    return {};
}

#define EXPECT_ERROR(call, ...)                                                              \
    do {                                                                                     \
        const QString message = ErrorOf([&] { call; });                                      \
        EXPECT_FALSE(message.isEmpty()) << #call " raised no error";                         \
        for (const char* part : {__VA_ARGS__}) {                                             \
            EXPECT_TRUE(message.contains(QString::fromUtf8(part))) << message.toStdString(); \
        }                                                                                    \
    } while (false)

// A server program, written as a shell script, that records its pid (and
// that of a child it starts) and then does what body says.
gui::ProgIdEntry FakeServer(const QTemporaryDir& dir, const QString& progId, const QString& body) {
    const QString program = QDir(dir.path()).filePath(progId + QStringLiteral(".sh"));
    QFile script(program);
    script.open(QIODevice::WriteOnly);
    script.write(
        QStringLiteral("#!/bin/sh\necho $$ > '%1.pid'\nsleep 60 &\necho $! > '%1.child'\n%2\n")
            .arg(QDir(dir.path()).filePath(progId), body)
            .toUtf8());
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    script.close();
    gui::ProgIdEntry entry{progId,
                           QStringLiteral("org.dururive.Test.") + progId,
                           QStringLiteral("/Factory"),
                           QStringLiteral("org.dururive.Test"),
                           QStringLiteral("Create"),
                           program,
                           1500};
    gui::RegisterProgId(entry);
    return entry;
}

qint64 RecordedPid(const QTemporaryDir& dir, const QString& name) {
    QFile file(QDir(dir.path()).filePath(name));
    probe::WaitFor([&] { return file.exists() && file.size() > 0; }, 3000);
    file.open(QIODevice::ReadOnly);
    return file.readAll().trimmed().toLongLong();
}

TEST(AutomationTest, CreationFailuresNameTheProgIdAndLeaveNoProcess) {
    EXPECT_ERROR(AutomationObject::CreateObject(QStringLiteral("Nobody.Application")),
                 "Nobody.Application", "no server is registered");

    QTemporaryDir dir;
    gui::RegisterProgId({QStringLiteral("Test.Missing"),
                         QStringLiteral("org.dururive.Test.Missing"), QStringLiteral("/Factory"),
                         QStringLiteral("org.dururive.Test"), QStringLiteral("Create"),
                         QDir(dir.path()).filePath(QStringLiteral("no-such-program")), 1500});
    EXPECT_ERROR(AutomationObject::CreateObject(QStringLiteral("Test.Missing")), "Test.Missing",
                 "no-such-program", "missing");

    FakeServer(dir, QStringLiteral("Dying"), QStringLiteral("echo cannot start >&2\nexit 3"));
    EXPECT_ERROR(AutomationObject::CreateObject(QStringLiteral("Dying")), "Dying",
                 "ended during start-up");
    EXPECT_TRUE(
        probe::WaitFor([&] { return !probe::IsRunning(RecordedPid(dir, "Dying.child")); }, 3000))
        << "the child of a server that died at start is left running";

    FakeServer(dir, QStringLiteral("Silent"), QStringLiteral("exec sleep 60"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_ERROR(AutomationObject::CreateObject(QStringLiteral("Silent")), "Silent",
                 "did not appear on the session bus as org.dururive.Test.Silent within 1500 ms");
    EXPECT_LT(clock.elapsed(), 6000);
    // Signalled processes end when next scheduled, which on a busy machine is not at once.
    EXPECT_TRUE(
        probe::WaitFor([&] { return !probe::IsRunning(RecordedPid(dir, "Silent.pid")); }, 3000))
        << "a server that never took its name is left";
    EXPECT_TRUE(
        probe::WaitFor([&] { return !probe::IsRunning(RecordedPid(dir, "Silent.child")); }, 3000))
        << "what it started is left";
}

// The real browser, not on the bus, with its program gone or unable to start.
TEST(AutomationTest, TheBrowserMissingOrDyingAtStartIsAnError) {
    ASSERT_TRUE(probe::EndBrowser());
    QTemporaryDir elsewhere;
    {
        const runtime::ScopedAppDir missing(elsewhere.path());
        EXPECT_ERROR(AutomationObject::CreateObject(Browser), "InternetExplorer.Application",
                     "dururive-browser is missing");
    }

    // With no X display to show its windows on, the browser ends at once.
    const QByteArray display = qgetenv("DISPLAY");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());  // for whatever it leaves as it ends
    qputenv("DISPLAY", ":9999");
    const QString message = ErrorOf([] { AutomationObject::CreateObject(Browser); });
    qputenv("DISPLAY", display);
    QDir::setCurrent(previous);
    EXPECT_TRUE(message.contains("InternetExplorer.Application") &&
                message.contains("ended during start-up"))
        << message.toStdString();
    EXPECT_TRUE(probe::ProcessesWithEnvironment(QStringLiteral("dururive-browser"),
                                                QStringLiteral("DISPLAY=:9999"))
                    .isEmpty());
    EXPECT_EQ(probe::BrowserPid(), 0);

    // The next creation starts a working browser.
    AutomationObject browser = AutomationObject::CreateObject(Browser);
    EXPECT_GT(probe::BrowserPid(), 0);
}

TEST(AutomationTest, NoSessionBusIsAnErrorAndStartsNothing) {
    QTemporaryDir dir;
    const QString address =
        QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=") + dir.path() + "/none";
    QString output;
    const int status =
        probe::Run(QStringLiteral(PREVIEW_CALLER), {}, 20000, &output, {address}, dir.path());
    EXPECT_EQ(status, 2) << output.toStdString();
    EXPECT_TRUE(output.contains(QLatin1String("InternetExplorer.Application")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QLatin1String("no session bus"))) << output.toStdString();
    EXPECT_TRUE(
        probe::ProcessesWithEnvironment(QStringLiteral("dururive-browser"), address).isEmpty())
        << "a browser was started with no bus to serve on";
}

TEST(AutomationTest, MembersAreCheckedAgainstTheObjectAndRefusalsNamed) {
    AutomationObject browser = AutomationObject::CreateObject(Browser);
    browser.PutProperty(QStringLiteral("Top"), Variant::Integer(200));

    EXPECT_ERROR(browser.PutProperty(QStringLiteral("Silent"), Variant::Boolean(true)), "Silent",
                 "no property");
    EXPECT_ERROR(browser.PutProperty(QStringLiteral("Top"), Variant::Long(70000)), "Top",
                 "out of the range");
    EXPECT_ERROR(
        browser.PutProperty(QStringLiteral("Visible"), Variant::String(QStringLiteral("yes"))),
        "Visible", "boolean");
    EXPECT_ERROR(browser.PutProperty(QStringLiteral("WindowId"), Variant::LongLong(1)), "WindowId",
                 "read-only");
    EXPECT_ERROR(browser.Call(QStringLiteral("Quit"), {}), "Quit", "no method");
    EXPECT_ERROR(browser.Call(QStringLiteral("Navigate"), {}), "Navigate", "URL", "not given");
    EXPECT_ERROR(browser.Call(QStringLiteral("Navigate"),
                              {{QStringLiteral("URL"), Variant::String(QStringLiteral("/a"))},
                               {QStringLiteral("Flags"), Variant::Integer(0)}}),
                 "Navigate", "no argument named Flags");
    EXPECT_ERROR(browser.Call(QStringLiteral("Navigate"),
                              {{QStringLiteral("URL"),
                                Variant::String(QStringLiteral("relative/scrap.htm"))}}),
                 "Navigate", "refused", "relative/scrap.htm");

    // Nothing that failed reached the window; the names fold case.
    EXPECT_EQ(browser.GetProperty(QStringLiteral("top")), Variant::Integer(200));
    EXPECT_EQ(browser.GetProperty(QStringLiteral("Visible")), Variant::Boolean(false));
    browser.PutProperty(QStringLiteral("visible"), Variant::Boolean(true));
    EXPECT_EQ(browser.GetProperty(QStringLiteral("Visible")), Variant::Boolean(true));
}

TEST(AutomationTest, AWindowClosedByTheUserRefusesFurtherCalls) {
    AutomationObject kept = AutomationObject::CreateObject(Browser);
    kept.PutProperty(QStringLiteral("Visible"), Variant::Boolean(true));
    AutomationObject closed = AutomationObject::CreateObject(Browser);
    closed.PutProperty(QStringLiteral("Visible"), Variant::Boolean(true));
    QTemporaryDir dir;
    const QString page = QDir(dir.path()).filePath(QStringLiteral("page.htm"));
    QFile(page).open(QIODevice::WriteOnly);
    closed.Call(QStringLiteral("Navigate"), {{QStringLiteral("URL"), Variant::String(page)}});
    // The engine settles on its native window once it shows a page.
    ASSERT_TRUE(probe::WaitForTrace(closed.Path(), QStringLiteral("loaded"), 20000));
    const qulonglong id = qulonglong(closed.GetProperty(QStringLiteral("WindowId")).ToNumber());
    ASSERT_TRUE(probe::WaitFor([&] { return probe::IsViewable(id); }, 5000));

    probe::CloseWindow(id);
    ASSERT_TRUE(probe::WaitFor([&] { return !probe::WindowObjectExists(closed.Path()); }, 5000))
        << id << " now " << probe::WindowId(closed.Path()) << " viewable " << probe::IsViewable(id);
    EXPECT_ERROR(closed.PutProperty(QStringLiteral("Top"), Variant::Integer(10)), "Top",
                 "no longer exists", "window was closed");
    EXPECT_ERROR(closed.Call(QStringLiteral("Navigate"),
                             {{QStringLiteral("URL"), Variant::String(QStringLiteral("/x"))}}),
                 "Navigate", "no longer exists");
    // The browser goes on serving its other windows.
    kept.PutProperty(QStringLiteral("Left"), Variant::Integer(50));
    EXPECT_TRUE(probe::WindowObjectExists(kept.Path()));
}

TEST(AutomationTest, TheBrowserEndsWithItsLastWindowAndLeavesNothingRunning) {
    ASSERT_TRUE(probe::EndBrowser());
    QTemporaryDir dir;
    const QString page = QDir(dir.path()).filePath(QStringLiteral("page.htm"));
    QFile(page).open(QIODevice::WriteOnly);
    QList<AutomationObject> windows;
    QList<qulonglong> ids;
    for (int i = 0; i < 2; ++i) {
        windows.append(AutomationObject::CreateObject(Browser));
        windows[i].PutProperty(QStringLiteral("Visible"), Variant::Boolean(true));
        windows[i].Call(QStringLiteral("Navigate"),
                        {{QStringLiteral("URL"), Variant::String(page)}});
        ASSERT_TRUE(probe::WaitForTrace(windows[i].Path(), QStringLiteral("loaded"), 20000));
        ids.append(qulonglong(windows[i].GetProperty(QStringLiteral("WindowId")).ToNumber()));
        ASSERT_TRUE(probe::WaitFor([&] { return probe::IsViewable(ids[i]); }, 5000));
    }
    const qint64 browser = probe::BrowserPid();
    const qint64 session = probe::SessionOf(browser);
    // The browser, its engine's helpers and its page process.
    ASSERT_GE(probe::ProcessesInSession(session).size(), 3)
        << probe::ProcessesInSession(session).join(", ").toStdString();

    probe::CloseWindow(ids[0]);
    ASSERT_TRUE(
        probe::WaitFor([&] { return !probe::WindowObjectExists(windows[0].Path()); }, 5000));
    EXPECT_TRUE(probe::IsRunning(browser)) << "the browser ended with a window still open";
    probe::CloseWindow(ids[1]);
    EXPECT_TRUE(probe::WaitFor([&] { return probe::ProcessesInSession(session).isEmpty(); }, 10000))
        << "left running: " << probe::ProcessesInSession(session).join(", ").toStdString();
    EXPECT_EQ(probe::BrowserPid(), 0);
}

// Counts the caller's timer ticks while a command waits, and whether the
// cursor showed busy at the last of them.
struct Ticks {
    Ticks() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            ++count;
            busy = QGuiApplication::overrideCursor() &&
                   QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor;
        });
        timer.start(50);
    }
    QTimer timer;
    int count = 0;
    bool busy = false;
};

// A server that hangs as it starts holds a command's wait no longer than the
// wait says; meanwhile the caller's events run, its cursor shows busy, and
// the server is ended.
TEST(AutomationTest, AServerHangingAtStartEndsTheWaitInTime) {
    QTemporaryDir dir;
    gui::ProgIdEntry entry =
        FakeServer(dir, QStringLiteral("Hanging"), QStringLiteral("exec sleep 60"));
    entry.startTimeoutMs = 30000;
    gui::RegisterProgId(entry);
    Ticks ticks;
    QElapsedTimer clock;
    clock.start();
    const QString message = ErrorOf([] {
        const gui::AutomationWait wait(2000);
        AutomationObject::CreateObject(QStringLiteral("Hanging"));
    });
    const qint64 elapsed = clock.elapsed();
    EXPECT_TRUE(message.contains("did not appear on the session bus") &&
                message.contains("within 2000 ms"))
        << message.toStdString();
    EXPECT_GE(elapsed, 1900);
    EXPECT_LT(elapsed, 3000) << "the wait lasted " << elapsed << " ms";
    EXPECT_GE(ticks.count, 10) << "the caller's events did not run while it waited";
    EXPECT_TRUE(ticks.busy) << "the cursor did not show busy";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the busy cursor stayed";
    EXPECT_TRUE(
        probe::WaitFor([&] { return !probe::IsRunning(RecordedPid(dir, "Hanging.pid")); }, 3000))
        << "the hanging server is left";
}

// Members as the bus reports them: "<interface> method Name in:s:URL ..." and
// "<interface> property Name n readwrite". The bus's own interfaces are left
// out.
QStringList MembersInXml(const QString& xml) {
    QStringList members;
    QXmlStreamReader reader(xml);
    QString interface;
    qsizetype method = -1;  // the line of the method being read
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == u"method") method = -1;
        if (!reader.isStartElement()) continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        const auto value = [&](const char* name) {
            return attributes.value(QLatin1String(name)).toString();
        };
        if (reader.name() == u"interface") {
            interface = value("name");
        } else if (interface.startsWith(QLatin1String("org.freedesktop.DBus."))) {
            continue;
        } else if (reader.name() == u"method") {
            method = members.size();
            members.append(interface + " method " + value("name"));
        } else if (reader.name() == u"arg" && method >= 0) {
            members[method] +=
                QStringLiteral(" %1:%2:%3")
                    .arg(value("direction") == u"out" ? "out" : "in", value("type"), value("name"));
        } else if (reader.name() == u"property") {
            members.append(QStringLiteral("%1 property %2 %3 %4")
                               .arg(interface, value("name"), value("type"), value("access")));
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    members.sort();
    return members;
}

QStringList MembersInFile(const QString& file) {
    QFile xml(file);
    EXPECT_TRUE(xml.open(QIODevice::ReadOnly)) << file.toStdString();
    return MembersInXml(QString::fromUtf8(xml.readAll()));
}

QStringList MembersOnTheBus(const QString& path) {
    QDBusInterface introspectable(QStringLiteral("org.dururive.Browser"), path,
                                  QStringLiteral("org.freedesktop.DBus.Introspectable"));
    const QDBusReply<QString> xml = introspectable.call(QStringLiteral("Introspect"));
    EXPECT_TRUE(xml.isValid()) << xml.error().message().toStdString();
    return MembersInXml(xml.value());
}

// The members as the automation layer finds them, in the same form. QtDBus
// keeps no name for a method's result; the window's methods have none.
QStringList MembersSeenBy(const AutomationObject& object, const QString& interface) {
    QStringList members;
    const QMetaObject& meta = object.Members();
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() == QMetaMethod::Signal) continue;
        QString line = interface + " method " + QString::fromUtf8(method.name());
        for (const gui::DBusArgument& argument : gui::InputArguments(method))
            line += QStringLiteral(" in:%1:%2").arg(argument.type, argument.name);
        if (method.returnMetaType() != QMetaType::fromType<void>())
            line += QStringLiteral(" out:%1:").arg(gui::DBusSignature(method.returnMetaType()));
        members.append(line);
    }
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        members.append(QStringLiteral("%1 property %2 %3 %4%5")
                           .arg(interface, QString::fromUtf8(property.name()),
                                gui::DBusSignature(property.metaType()),
                                property.isReadable() ? "read" : "",
                                property.isWritable() ? "write" : ""));
    }
    members.sort();
    return members;
}

TEST(AutomationTest, TheBrowserAnswersAsItsInterfaceFilesSay) {
    const AutomationObject window = AutomationObject::CreateObject(Browser);
    const QStringList windowMembers =
        MembersInFile(QStringLiteral(BROWSER_SOURCE_DIR "/org.dururive.Browser.Window.xml"));
    EXPECT_EQ(MembersOnTheBus(window.Path()), windowMembers);
    EXPECT_EQ(MembersSeenBy(window, gui::FindProgId(Browser)->objectInterface), windowMembers);
    EXPECT_TRUE(windowMembers.contains("org.dururive.Browser.Window method Navigate in:s:URL"));
    EXPECT_TRUE(windowMembers.contains("org.dururive.Browser.Window property Top n readwrite"));
    EXPECT_EQ(MembersOnTheBus(QStringLiteral("/org/dururive/Browser")),
              MembersInFile(QStringLiteral(BROWSER_SOURCE_DIR "/org.dururive.Browser.xml")));
}

}  // namespace
