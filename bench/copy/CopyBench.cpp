// Copy as Animated GIF for 20 letters, in a desktop session: from the command
// to the clipboard holding the GIF, against composing and encoding the GIF
// alone. Prints the median and the slowest of each, in milliseconds.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "composer/ScrapGif.h"
#include "gui/Controls.h"
#include "mainwindow/Form1.h"

namespace {

const QString Twenty = QStringLiteral("abcdefghijklmnopqrst");
constexpr int Runs = 50;

std::vector<double> Times(const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times;
}

void Print(const char* what, const std::vector<double>& times) {
    std::printf("%-32s median %6.2f ms   slowest %6.2f ms\n", what, times[times.size() / 2],
                times.back());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The copies and scrap.htm go into a scratch folder.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    QDir::setCurrent(cache.path());
    Form1 form;
    form.Show();
    form.Control<gui::TextBox>("Text1").SetText(Twenty);
    auto* copy = form.findChild<QAction*>(QStringLiteral("mnuCopyGif"));
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!copy || !copy->isEnabled()) {
        std::fprintf(stderr, "copy_bench: the main window offers no Copy as Animated GIF\n");
        return 1;
    }
    const auto copied = Times([&] {
        clipboard->clear();
        copy->trigger();
        if (!clipboard->mimeData() || !clipboard->mimeData()->hasFormat("image/gif"))
            std::fprintf(stderr, "copy_bench: the clipboard holds no GIF\n");
    });
    const auto composed = Times([] { EncodeScrapGif(Twenty, 1); });
    Print("command to clipboard", copied);
    Print("composing the GIF alone", composed);
    std::printf("%-32s %6.2f ms\n", "beyond composing (medians)",
                copied[copied.size() / 2] - composed[composed.size() / 2]);
    return 0;
}
