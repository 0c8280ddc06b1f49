// The yardstick: the least a QtWebEngine program does to show a file. It
// prints "ready" once its window is exposed and the page has loaded, then
// ends, or with --stay keeps its window until it is ended.
//   minimal_webengine <file> [--stay]
#include <unistd.h>

#include <QApplication>
#include <QTextStream>
#include <QUrl>
#include <QWebEngineView>
#include <QWindow>

int main(int argc, char** argv) {
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QWebEngineView view;
    const bool stay = argc > 2 && QByteArray(argv[2]) == "--stay";
    bool exposed = false, loaded = false, told = false;
    const auto finishWhenBoth = [&] {
        if (!exposed || !loaded || told) return;
        told = true;
        QTextStream(stdout) << "ready" << Qt::endl;
        if (!stay) app.quit();
    };
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool) {
        loaded = true;
        finishWhenBoth();
    });
    view.setGeometry(100, 300, 400, 400);
    view.show();
    view.load(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    QObject::connect(view.windowHandle(), &QWindow::visibleChanged, [&] {});
    struct ExposeWatch : QObject {
        std::function<void()> seen;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
                seen();
            return false;
        }
    } watch;
    watch.seen = [&] {
        exposed = true;
        finishWhenBoth();
    };
    view.windowHandle()->installEventFilter(&watch);
    return app.exec();
}
