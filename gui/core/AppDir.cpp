#include "AppDir.h"

#include <QCoreApplication>

namespace gui {

namespace {
QString& Override() {
    static QString dir;
    return dir;
}
}  // namespace

QString AppDir() {
    if (!Override().isEmpty()) return Override();
    QString dir = QCoreApplication::applicationDirPath();
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
    return dir;
}

void SetAppDir(const QString& dir) {
    Override() = dir;
}

QString AppPath(const QString& relative) {
    QString tail = relative;
    tail.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return AppDir() + tail;
}

}  // namespace gui
