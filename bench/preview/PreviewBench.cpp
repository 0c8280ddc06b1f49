// Times a preview from the call to its window exposed and its page loaded:
// cold (no browser running) and warm (browser running), against the minimal
// QtWebEngine program opening the same file, in turns within one run. Then
// weighs the private memory of the browser with 1, 2 and 3 preview windows
// against the minimal program holding one window. Runs inside a desktop
// session:
//   preview_bench <minimal program> [rounds [ms between cold and warm [memory rounds]]]
// Ends with status 1 when some window never loaded.
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <algorithm>

#include "composer/GlyphCatalogue.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"
#include "preview/PreviewBrowser.h"
#include "tests/preview/BrowserProbe.h"

namespace {

constexpr int DefaultIdleMs = 2000;
constexpr int DefaultMemoryRounds = 3;
constexpr int MaxWindows = 3;
// The spare window and the engine's helpers start a while after a page is
// shown, so memory is read once it has held still this long.
constexpr int SettleMs = 2500;
constexpr int StillIntervalMs = 500;
constexpr qint64 StillKb = 1024;

qint64 Now() {
    return QDateTime::currentMSecsSinceEpoch();
}

// The time at which the trace shows both events for the newest window, or 0.
// Object paths come again once the browser restarts, so only the lines after
// the window's creation count.
qint64 ReadyTime(int windowsBefore) {
    QString window;
    int windows = 0;
    qint64 exposed = 0, loaded = 0;
    for (const probe::TraceLine& line : probe::Trace()) {
        if (line.event == QLatin1String("CreateWindow") && ++windows > windowsBefore)
            window = line.path;
        if (window.isEmpty() || line.path != window) continue;
        if (line.event == QLatin1String("exposed")) exposed = line.time;
        if (line.event == QLatin1String("loaded")) loaded = line.time;
    }
    return exposed && loaded ? std::max(exposed, loaded) : 0;
}

qint64 TimePreview() {
    const int before = int(probe::CreatedWindows().size());
    const qint64 start = Now();
    OpenPreviewBrowser(300, 100, 400, 400);
    QDeadlineTimer deadline(30000);
    qint64 ready = 0;
    while (!(ready = ReadyTime(before)) && !deadline.hasExpired()) QThread::msleep(2);
    if (!ready) {
        QFile trace(probe::TraceFile());
        trace.open(QIODevice::ReadOnly);
        QTextStream(stdout) << "the window was not both exposed and loaded; the browser's trace:\n"
                            << trace.readAll() << Qt::endl;
        return -1;
    }
    return ready - start;
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
        QTextStream(stdout) << "the minimal program " << program
                            << " never got ready: " << process.errorString() << Qt::endl;
        return -1;
    }
    return elapsed;
}

// A process's memory in kB from its smaps_rollup. USS: the pages only it
// holds (Private_Clean + Private_Dirty). Its clean part is mostly the
// engine's code, which counts as private only while no other program maps
// it, so USS moves with what else runs. Allocated: its share of the
// anonymous and shared memory it maps (Pss_Anon + Pss_Shmem), the memory
// it made itself; summed over a process tree, it counts the pages the tree's
// processes share among themselves once, and is the same whatever else runs.
struct Memory {
    qint64 uss = -1;  // -1: no figure
    qint64 allocated = -1;
    int processes = 0;
};

Memory ProcessMemory(qint64 pid) {
    Memory memory{0, 0, 1};
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) return memory;  // ended meanwhile
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qint64 kb = line.simplified().split(' ').value(1).toLongLong();
        if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
            memory.uss += kb;
        if (line.startsWith("Pss_Anon:") || line.startsWith("Pss_Shmem:")) memory.allocated += kb;
    }
    return memory;
}

// root and every process descended from it.
QList<qint64> ProcessTree(qint64 root) {
    QMultiHash<qint64, qint64> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!isPid || !stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state ppid ...": the name may hold blanks and brackets.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        children.insert(fields.value(1).toLongLong(), pid);
    }
    QList<qint64> tree{root};
    for (int i = 0; i < tree.size(); ++i) tree += children.values(tree[i]);
    return tree;
}

Memory TreeMemory(qint64 root) {
    Memory tree{0, 0, 0};
    for (qint64 pid : ProcessTree(root)) {
        const Memory process = ProcessMemory(pid);
        tree.uss += process.uss;
        tree.allocated += process.allocated;
        tree.processes += process.processes;
    }
    return tree;
}

Memory SettledMemory(qint64 root) {
    if (root <= 0) return {};
    QThread::msleep(SettleMs);
    Memory last = TreeMemory(root);
    QDeadlineTimer deadline(10000);
    for (;;) {
        QThread::msleep(StillIntervalMs);
        const Memory now = TreeMemory(root);
        if ((now.processes == last.processes &&
             std::abs(now.allocated - last.allocated) < StillKb) ||
            deadline.hasExpired()) {
            return now;
        }
        last = now;
    }
}

// The minimal program holding one window on the scrap.
Memory MinimalMemory(const QString& program, const QString& scrap) {
    QProcess process;
    process.start(program, {scrap, QStringLiteral("--stay")});
    bool ready = false;
    while (!ready && process.waitForReadyRead(30000)) ready = process.readAll().contains("ready");
    const Memory memory = ready ? SettledMemory(process.processId()) : Memory{};
    process.terminate();
    if (!process.waitForFinished(10000)) process.kill();
    process.waitForFinished(10000);
    if (!ready) QTextStream(stdout) << "the minimal program never got ready" << Qt::endl;
    return memory;
}

// The browser with 1, 2, ... MaxWindows preview windows, started afresh.
QList<Memory> BrowserMemory() {
    QList<Memory> memory;
    for (int windows = 1; windows <= MaxWindows; ++windows) {
        if (TimePreview() < 0) break;
        memory.append(SettledMemory(probe::BrowserPid()));
    }
    probe::EndBrowser();
    while (memory.size() < MaxWindows) memory.append(Memory{});
    return memory;
}

template <typename T>
T Median(QList<T> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? T(-1) : values[values.size() / 2];
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
    if (values.size() < all.size())
        text += QStringLiteral(", %1 never loaded").arg(all.size() - values.size());
    return text;
}

QString Mb(qint64 kb) {
    return QString::number(double(kb) / 1024.0, 'f', 1);
}

// One measure over the complete rounds: medians and ratios.
void ReportMeasure(QTextStream& out, const char* name, qint64 Memory::*measure,
                   const QList<Memory>& minimal, const QList<QList<Memory>>& browser) {
    QList<qint64> minimalKb, furtherKb;
    QList<QList<qint64>> browserKb(MaxWindows);
    QList<double> ratios;
    for (int round = 0; round < minimal.size(); ++round) {
        minimalKb.append(minimal[round].*measure);
        for (int i = 0; i < MaxWindows; ++i) browserKb[i].append(browser[round][i].*measure);
        ratios.append(double(browser[round][0].*measure) / double(minimal[round].*measure));
        furtherKb.append((browser[round][MaxWindows - 1].*measure - browser[round][0].*measure) /
                         (MaxWindows - 1));
    }
    out << name << ", median of " << minimal.size() << " rounds: minimal program "
        << Mb(Median(minimalKb)) << " MB; browser";
    for (int i = 0; i < MaxWindows; ++i) out << ' ' << Mb(Median(browserKb[i])) << " MB";
    out << " with 1 to " << MaxWindows << " windows" << Qt::endl;
    out << QStringLiteral(
               "  %1 one window / minimal: %2 (target at most 1.05); each further window: +%3 MB "
               "(target at most +10 MB)")
               .arg(QLatin1String(name))
               .arg(Median(ratios), 0, 'f', 2)
               .arg(Mb(Median(furtherKb)))
        << Qt::endl;
}

// Prints the memory rounds and their medians; false when some figure is missing.
bool ReportMemory(QTextStream& out, const QList<Memory>& minimal,
                  const QList<QList<Memory>>& browser) {
    QList<Memory> completeMinimal;
    QList<QList<Memory>> completeBrowser;
    for (int round = 0; round < minimal.size(); ++round) {
        out << "memory round " << round + 1 << ", USS/allocated of the process tree: minimal "
            << Mb(minimal[round].uss) << '/' << Mb(minimal[round].allocated) << " MB ("
            << minimal[round].processes << " processes); browser";
        bool complete = minimal[round].uss > 0;
        for (const Memory& memory : browser[round]) {
            out << ' ' << Mb(memory.uss) << '/' << Mb(memory.allocated) << " MB ("
                << memory.processes << ')';
            complete = complete && memory.uss > 0;
        }
        out << Qt::endl;
        if (!complete) continue;
        completeMinimal.append(minimal[round]);
        completeBrowser.append(browser[round]);
    }
    if (completeMinimal.isEmpty()) {
        out << "private memory: no complete round" << Qt::endl;
        return false;
    }
    ReportMeasure(out, "USS", &Memory::uss, completeMinimal, completeBrowser);
    ReportMeasure(out, "allocated", &Memory::allocated, completeMinimal, completeBrowser);
    return completeMinimal.size() == minimal.size();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: preview_bench <minimal program> [rounds [ms between cold "
                               "and warm [memory rounds]]]"
                            << Qt::endl;
        return 2;
    }
    const int rounds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    // How long after a preview the next one comes, the browser still running.
    const int idleMs = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : DefaultIdleMs;
    const int memoryRounds =
        argc > 4 ? QString::fromLocal8Bit(argv[4]).toInt() : DefaultMemoryRounds;
    runtime::SetAppDir(QStringLiteral(PROGRAM_DIR));
    QTemporaryDir work;
    const QString traceFile = QDir(work.path()).filePath(QStringLiteral("trace"));
    qputenv("DURURIVE_BROWSER_TRACE", traceFile.toUtf8());
    const QString minimalProgram = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QFile scrap(QDir(work.path()).filePath(QStringLiteral("scrap.htm")));
    scrap.open(QIODevice::WriteOnly);
    for (QChar letter : QStringLiteral("glitter"))
        scrap.write(GlyphCatalogue::Lookup(letter, 1).tag.toUtf8());
    scrap.write("\r\n");
    scrap.close();
    QDir::setCurrent(work.path());

    QTextStream out(stdout);
    QList<qint64> cold, warm, minimal;
    QList<Memory> minimalMemory;
    QList<QList<Memory>> browserMemory;
    try {
        probe::EndBrowser();
        for (int round = 0; round < rounds; ++round) {
            minimal.append(TimeMinimal(minimalProgram, scrap.fileName()));
            cold.append(TimePreview());
            QThread::msleep(idleMs);  // a user's next preview comes later
            warm.append(TimePreview());
            probe::EndBrowser();
            out << "round " << round + 1 << ": minimal " << minimal.last() << " ms, cold "
                << cold.last() << " ms, warm " << warm.last() << " ms" << Qt::endl;
        }
        for (int round = 0; round < memoryRounds; ++round) {
            minimalMemory.append(MinimalMemory(minimalProgram, scrap.fileName()));
            browserMemory.append(BrowserMemory());
        }
    } catch (const runtime::RuntimeError& error) {
        out << "preview failed: " << error.Message() << Qt::endl;
        return 1;
    }
    out << "minimal QtWebEngine program: " << Figures(minimal) << Qt::endl;
    out << "preview, browser not running: " << Figures(cold) << Qt::endl;
    out << "preview, browser running:     " << Figures(warm) << " (" << idleMs
        << " ms after the one before)" << Qt::endl;
    out << QStringLiteral(
               "cold / minimal: %1 (target at most 1.3); warm: %2 ms (target under 150 ms)")
               .arg(double(Median(Measured(cold))) / double(Median(Measured(minimal))), 0, 'f', 2)
               .arg(Median(Measured(warm)))
        << Qt::endl;
    const bool memoryComplete = ReportMemory(out, minimalMemory, browserMemory);
    const bool allLoaded = Measured(cold).size() == cold.size() &&
                           Measured(warm).size() == warm.size() &&
                           Measured(minimal).size() == minimal.size();
    return allLoaded && memoryComplete ? 0 : 1;
}
