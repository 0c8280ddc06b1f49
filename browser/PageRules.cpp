#include "browser/PageRules.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

QString LocalPageRefusal(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return {};
    if (S_ISLNK(info.st_mode)) return QStringLiteral("it is a symbolic link");
    if (!S_ISREG(info.st_mode)) return QStringLiteral("it is not a regular file");
    if (info.st_uid != ::geteuid()) return QStringLiteral("it belongs to another user");
    return {};
}
