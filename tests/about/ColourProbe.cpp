// Prints Label4's colours in a fresh process, one "r g b" line per tick.
//   about_colour_probe showings N   two showings of About, N ticks each
//   about_colour_probe draws N      N triples floor(255 * Rnd()) straight
//                                   from the generator, for comparison
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "about/About.h"
#include "gui/Controls.h"
#include "gui/core/Random.h"

namespace {

void PrintShowing(int ticks) {
    auto* about = new About;
    about->Show();
    for (int i = 0; i < ticks; ++i) {
        emit about->Control<gui::Timer>(QStringLiteral("Timer1")).Tick();
        const QColor c = about->Control<gui::Label>(QStringLiteral("Label4")).ForeColor();
        std::printf("%d %d %d\n", c.red(), c.green(), c.blue());
    }
    about->Unload();
    // A timer that outlived its window would draw from the generator here.
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) return 2;
    const int n = std::atoi(argv[2]);
    if (std::strcmp(argv[1], "showings") == 0) {
        PrintShowing(n);
        PrintShowing(n);
    } else if (std::strcmp(argv[1], "draws") == 0) {
        for (int i = 0; i < 2 * n; ++i) {
            const int r = int(std::floor(255 * runtime::Rnd()));
            const int g = int(std::floor(255 * runtime::Rnd()));
            const int b = int(std::floor(255 * runtime::Rnd()));
            std::printf("%d %d %d\n", r, g, b);
        }
    } else {
        return 2;
    }
    return 0;
}
