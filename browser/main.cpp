// dururive-browser: the scriptable browser. One process serves every window
// it is asked for on the session bus.
#include <unistd.h>

#include <QApplication>
#include <QTextStream>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "browser/BrowserService.h"
#include "browser/GlyphInterceptor.h"
#include "browser/GlyphServer.h"
#include "browser/Trace.h"
#include "gui/DesktopIdentity.h"
#include "gui/core/AppDir.h"
#include "gui/core/DisplayPlatform.h"
#include "urls/Urls.h"

namespace {

void PrepareEngine() {
    // The engine refuses to run as root with its sandbox on; only the
    // environment variable reaches it, and only before the application exists.
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

// Another local user could attach to a remote-debugging port and read or
// steer the user's pages, so the browser opens none, whatever its
// environment asks for.
void DropRemoteDebugging() {
    qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");
    QByteArrayList kept;
    for (const QByteArray& flag : qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").simplified().split(' ')) {
        QByteArray name = flag;
        while (name.startsWith('-')) name.remove(0, 1);
        if (!flag.isEmpty() && !name.toLower().startsWith("remote-debugging")) kept.append(flag);
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", kept.join(' '));
}

// A preview shows a few small pictures, and a user may keep several open, so
// the engine is set up for memory: Qt Quick draws the pages in software
// (drawn with OpenGL, each window holds a GL context and its buffers in this
// process) and every page shares one page process, so that a further window
// costs a page, not a process. Only the environment reaches either, and only
// before the application exists.
void SaveMemory() {
    qputenv("QT_QUICK_BACKEND", "software");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --renderer-process-limit=1");
}

// A page shows what a scrap holds, pictures and line breaks, whoever wrote
// it: it runs no script and reads no other file. A local page reaches no
// remote picture unless allowed to reach remote addresses at all, so the
// interceptor blocks every address but the glyph pictures.
void PrepareProfile(QWebEngineProfile* profile, const GlyphServer& glyphs) {
    QWebEngineSettings* settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    profile->setUrlRequestInterceptor(
        new GlyphInterceptor(QLatin1String(GlyphBaseUrl), glyphs.BaseUrl(), profile));
}

int Refuse(const QString& error) {
    QTextStream(stderr) << "dururive-browser: " << error << '\n';
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    Trace::WriteToFileFromEnvironment();
    runtime::ChooseDisplayPlatform();
    Trace::Write(QLatin1String(BrowserService::FactoryPath), QStringLiteral("started"));
    PrepareEngine();
    DropRemoteDebugging();
    SaveMemory();
    // Its windows are the program's: the desktop shows a preview as the
    // program's menu entry, with its name and icon. The page processes it
    // starts make no windows.
    gui::NameWindowsAfterProgram();
    QApplication app(argc, argv);
    gui::TakeDesktopIdentity();
    QApplication::setQuitOnLastWindowClosed(false);  // the service decides

    QString error;
    GlyphServer glyphs(runtime::AppDir());
    if (!glyphs.Start(&error)) return Refuse(error);
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    PrepareProfile(profile, glyphs);

    BrowserService service(profile);
    if (!service.Publish(&error)) return Refuse(error);
    Trace::Write(QLatin1String(BrowserService::FactoryPath), QStringLiteral("published"));
    return app.exec();
}
