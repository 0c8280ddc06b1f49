#include "AppDir.h"

#include <limits.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <utility>

namespace runtime {

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

ScopedAppDir::ScopedAppDir(const QString& dir) : previous_(std::exchange(Override(), dir)) {}

ScopedAppDir::~ScopedAppDir() {
    Override() = previous_;
}

QString AppPath(const QString& relative) {
    QString tail = relative;
    tail.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return AppDir() + tail;
}

QString WorkingDirectory(QString* problem) {
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer)) {
        const int error = errno;
        if (error == ENOENT) {
            *problem = QStringLiteral("the working folder no longer exists (it was removed)");
        } else if (error == ERANGE || error == ENAMETOOLONG) {
            *problem = QStringLiteral("the path of the working folder is longer than %1 bytes")
                           .arg(PATH_MAX - 1);
        } else {
            *problem = QStringLiteral("the working folder cannot be named: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(error)));
        }
        return {};
    }
    const QByteArray raw(buffer);
    const QString path = QFile::decodeName(raw);
    if (QFile::encodeName(path) != raw) {
        *problem = QStringLiteral("the path of the working folder is not valid UTF-8 (%1)")
                       .arg(QString::fromLatin1(raw.toPercentEncoding("/")));
        return {};
    }
    return path;
}

}  // namespace runtime
