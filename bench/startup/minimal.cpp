// The yardsticks for start-up: one empty window of the main window's size,
// or, given "--text", the same window with one line of text in it, which
// costs the font set-up that every window showing text pays.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.setFixedSize(745, 590);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* label = new QLabel(QStringLiteral("Enter Text Here (Max 20 chars)"), &window);
        label->setFont(QFont(QStringLiteral("Liberation Sans"), 18));
        label->move(32, 152);
    }
    window.show();
    return QApplication::exec();
}
