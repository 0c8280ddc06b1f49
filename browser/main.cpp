// dururive-browser: the scriptable browser. One process serves every window
// it is asked for on the session bus.
#include <unistd.h>

#include <QApplication>
#include <QTextStream>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "browser/BrowserService.h"
#include "browser/GlyphInterceptor.h"
#include "browser/Trace.h"
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

void PrepareProfile(QWebEngineProfile* profile, const GlyphServer& glyphs) {
    // A scrap file is local and its pictures are remote.
    profile->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
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
    gui::ChooseDisplayPlatform();
    Trace::Write(QLatin1String(BrowserService::FactoryPath), QStringLiteral("started"));
    PrepareEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dururive-browser"));
    QApplication::setQuitOnLastWindowClosed(false);  // the service decides

    QString error;
    GlyphServer glyphs(gui::AppDir());
    if (!glyphs.Start(&error)) return Refuse(error);
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    PrepareProfile(profile, glyphs);

    BrowserService service(profile);
    if (!service.Publish(&error)) return Refuse(error);
    Trace::Write(QLatin1String(BrowserService::FactoryPath), QStringLiteral("published"));
    return app.exec();
}
