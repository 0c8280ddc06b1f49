// ComposeScrap alone, and RecomposeScrap with each picture decoded from its
// GIF file in AppDir and scrap.htm really written, as every keystroke does;
// and the whole text saved as one animated GIF, its size set against what
// gifsicle -O3 makes of the same file.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "composer/ScrapComposer.h"
#include "composer/ScrapGif.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"

namespace {

const QString Twenty = QStringLiteral("abcdefghijklmnopqrst");

// A view without a window that decodes every picture it is given, as the
// main window's slots do, and keeps the still image.
class DecodingView : public ScrapView {
public:
    QString text = Twenty;
    int style = 1;

    QString InputText() const override { return text; }
    bool Style1Selected() const override { return style == 1; }
    bool Style2Selected() const override { return style == 2; }
    void SetCounter(const QString& value) override { counter_ = value; }
    void ClearSlot(int index) override { slots_.at(static_cast<std::size_t>(index)) = QImage(); }
    void ShowSlotPicture(int index, const QString& path, QChar) override {
        QImageReader reader(path);
        QImage image = reader.read();
        if (image.isNull())
            throw runtime::RuntimeError(QStringLiteral("LoadPicture"), path, reader.errorString());
        slots_.at(static_cast<std::size_t>(index)) = std::move(image);
    }
    void SetOutput(const QString& value) override { output_ = value; }
    QString Output() const override { return output_; }

    int PicturesShown() const {
        int shown = 0;
        for (const QImage& image : slots_) shown += image.isNull() ? 0 : 1;
        return shown;
    }

private:
    QString counter_;
    std::array<QImage, SlotCount> slots_;
    QString output_;
};

void BM_ComposeScrap(benchmark::State& state) {
    const int style = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ScrapComposition composition = ComposeScrap(Twenty, style);
        benchmark::DoNotOptimize(composition);
    }
}
BENCHMARK(BM_ComposeScrap)->Arg(1)->Arg(2)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_RecomposeScrap(benchmark::State& state) {
    DecodingView view;
    view.style = static_cast<int>(state.range(0));
    try {
        for (auto _ : state) RecomposeScrap(view);
    } catch (const runtime::RuntimeError& error) {
        state.SkipWithError(error.what());
        return;
    }
    if (view.PicturesShown() != Twenty.size())
        state.SkipWithError("not every slot shows its picture");
}
BENCHMARK(BM_RecomposeScrap)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The size in bytes of the file gifsicle -O3 makes of path; 0 without gifsicle.
double GifsicleSize(const QString& path) {
    QProcess gifsicle;
    gifsicle.start(QStringLiteral("gifsicle"), {QStringLiteral("-O3"), path});
    if (!gifsicle.waitForFinished(30000) || gifsicle.exitCode() != 0) return 0;
    return double(gifsicle.readAllStandardOutput().size());
}

void BM_SaveScrapGif(benchmark::State& state) {
    const int style = static_cast<int>(state.range(0));
    const QString path = QStringLiteral("twenty-%1.gif").arg(style);
    try {
        for (auto _ : state) SaveScrapGif(path, Twenty, style);
    } catch (const runtime::RuntimeError& error) {
        state.SkipWithError(error.what());
        return;
    }
    const double bytes = double(QFileInfo(path).size()), reference = GifsicleSize(path);
    state.counters["bytes"] = bytes;
    state.counters["gifsicle_O3_bytes"] = reference;
    state.counters["size_vs_gifsicle"] = reference > 0 ? bytes / reference : 0;
}
BENCHMARK(BM_SaveScrapGif)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The first glyph picture that is missing from AppDir, or an empty text.
QString MissingPicture() {
    for (int style = 1; style <= 2; ++style) {
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            const QString path = runtime::AppPath(
                QStringLiteral("\\%1\\%2.gif").arg(style).arg(QChar::fromLatin1(letter)));
            if (!QFile::exists(path)) return path;
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString missing = MissingPicture();
    if (!missing.isEmpty()) {
        std::fprintf(
            stderr,
            "composer_bench: the glyph picture %s is missing; build the target glyph_pictures, "
            "which draws the pictures into the program folder %s\n",
            qPrintable(missing), qPrintable(runtime::AppDir()));
        return 1;
    }
    // scrap.htm goes into a scratch folder on the same disk as the program.
    const QString startDir = QDir::currentPath();
    QTemporaryDir scratch(runtime::AppDir() + QStringLiteral("/composer-bench-XXXXXX"));
    if (!scratch.isValid() || !QDir::setCurrent(scratch.path())) {
        std::fprintf(stderr, "composer_bench: cannot make a working folder in %s\n",
                     qPrintable(runtime::AppDir()));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QDir::setCurrent(startDir);
    return 0;
}
