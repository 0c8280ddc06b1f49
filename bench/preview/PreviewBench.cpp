// Times a preview from the call to its window exposed and its page loaded:
// cold (no browser running) and warm (browser running), against the minimal
// QtWebEngine program opening the same file, in turns within one run. Runs
// inside a desktop session:
//   preview_bench <minimal program> [rounds [ms between cold and warm]]
// Ends with status 1 when some window never loaded.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <csignal>

#include "composer/GlyphCatalogue.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"
#include "preview/PreviewBrowser.h"

namespace {

const QString Service = QStringLiteral("org.dururive.Browser");
constexpr int DefaultIdleMs = 2000;

qint64 Now() { return QDateTime::currentMSecsSinceEpoch(); }

// The time at which the trace shows both events for the newest window, or 0.
qint64 ReadyTime(const QString& traceFile, int windowsBefore) {
    QFile file(traceFile);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    QString window;
    int windows = 0;
    qint64 exposed = 0, loaded = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() < 3) continue;
        const QString path = QString::fromUtf8(parts[1]);
        if (parts[2] == "CreateWindow" && ++windows > windowsBefore) window = path;
        if (window.isEmpty() || path != window) continue;
        if (parts[2] == "exposed") exposed = parts[0].toLongLong();
        if (parts[2] == "loaded") loaded = parts[0].toLongLong();
    }
    return exposed && loaded ? std::max(exposed, loaded) : 0;
}

int WindowsIn(const QString& traceFile) {
    QFile file(traceFile);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return int(file.readAll().count(" CreateWindow"));
}

qint64 TimePreview(const QString& traceFile) {
    const int before = WindowsIn(traceFile);
    const qint64 start = Now();
    OpenPreviewBrowser(300, 100, 400, 400);
    QDeadlineTimer deadline(30000);
    qint64 ready = 0;
    while (!(ready = ReadyTime(traceFile, before)) && !deadline.hasExpired()) QThread::msleep(2);
    if (!ready) {
        QFile trace(traceFile);
        trace.open(QIODevice::ReadOnly);
        QTextStream(stdout) << "the window was not both exposed and loaded; the browser's trace:\n"
                            << trace.readAll() << Qt::endl;
        return -1;
    }
    return ready - start;
}

void EndBrowser() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    const uint pid = bus->servicePid(Service).value();
    if (pid == 0) return;
    ::kill(pid_t(pid), SIGTERM);
    QDeadlineTimer deadline(10000);
    while (bus->isServiceRegistered(Service) && !deadline.hasExpired()) QThread::msleep(10);
    while (QFile::exists(QStringLiteral("/proc/%1").arg(pid)) && !deadline.hasExpired()) QThread::msleep(10);
    QThread::msleep(200);  // let its engine processes go too
}

qint64 TimeMinimal(const QString& program, const QString& scrap) {
    const qint64 start = Now();
    QProcess process;
    process.start(program, {scrap});
    bool ready = false;
    while (!ready && process.waitForReadyRead(30000)) ready = process.readAll().contains("ready");
    const qint64 elapsed = Now() - start;
    process.waitForFinished(10000);
    if (!ready) {
        QTextStream(stdout) << "the minimal program " << program << " never got ready: " << process.errorString()
                            << Qt::endl;
        return -1;
    }
    return elapsed;
}

qint64 Median(QList<qint64> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values[values.size() / 2];
}

// A window that never loaded counts as no figure, not as a short time.
QList<qint64> Measured(const QList<qint64>& values) {
    QList<qint64> measured;
    for (qint64 value : values) {
        if (value >= 0) measured.append(value);
    }
    return measured;
}

QString Figures(const QList<qint64>& all) {
    const QList<qint64> values = Measured(all);
    if (values.isEmpty()) return QStringLiteral("no window loaded");
    QString text = QStringLiteral("median %1 ms, min %2 ms, max %3 ms")
                       .arg(Median(values))
                       .arg(*std::min_element(values.begin(), values.end()))
                       .arg(*std::max_element(values.begin(), values.end()));
    if (values.size() < all.size()) text += QStringLiteral(", %1 never loaded").arg(all.size() - values.size());
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: preview_bench <minimal program> [rounds [ms between cold and warm]]" << Qt::endl;
        return 2;
    }
    const int rounds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    // How long after a preview the next one comes, the browser still running.
    const int idleMs = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : DefaultIdleMs;
    gui::SetAppDir(QStringLiteral(DURURIVE_PROGRAM_DIR));
    QTemporaryDir work;
    const QString traceFile = QDir(work.path()).filePath(QStringLiteral("trace"));
    qputenv("DURURIVE_BROWSER_TRACE", traceFile.toUtf8());
    const QString minimalProgram = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QFile scrap(QDir(work.path()).filePath(QStringLiteral("scrap.htm")));
    scrap.open(QIODevice::WriteOnly);
    for (QChar letter : QStringLiteral("glitter")) scrap.write(GlyphCatalogue::Lookup(letter, 1).tag.toUtf8());
    scrap.write("\r\n");
    scrap.close();
    QDir::setCurrent(work.path());

    QTextStream out(stdout);
    QList<qint64> cold, warm, minimal;
    try {
        EndBrowser();
        for (int round = 0; round < rounds; ++round) {
            minimal.append(TimeMinimal(minimalProgram, scrap.fileName()));
            cold.append(TimePreview(traceFile));
            QThread::msleep(idleMs);  // a user's next preview comes later
            warm.append(TimePreview(traceFile));
            EndBrowser();
            out << "round " << round + 1 << ": minimal " << minimal.last() << " ms, cold " << cold.last()
                << " ms, warm " << warm.last() << " ms" << Qt::endl;
        }
    } catch (const gui::RuntimeError& error) {
        out << "preview failed: " << error.Message() << Qt::endl;
        return 1;
    }
    out << "minimal QtWebEngine program: " << Figures(minimal) << Qt::endl;
    out << "preview, browser not running: " << Figures(cold) << Qt::endl;
    out << "preview, browser running:     " << Figures(warm) << " (" << idleMs << " ms after the one before)" << Qt::endl;
    out << QStringLiteral("cold / minimal: %1 (target at most 1.3); warm: %2 ms (target under 150 ms)")
               .arg(double(Median(Measured(cold))) / double(Median(Measured(minimal))), 0, 'f', 2)
               .arg(Median(Measured(warm)))
        << Qt::endl;
    const bool allLoaded = Measured(cold).size() == cold.size() && Measured(warm).size() == warm.size() &&
                           Measured(minimal).size() == minimal.size();
    return allLoaded ? 0 : 1;
}
