#include "browser/PageRules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

QString Refusal(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) return QStringLiteral("it is a symbolic link");
    if (!S_ISREG(info.st_mode)) return QStringLiteral("it is not a regular file");
    if (info.st_uid != ::geteuid()) return QStringLiteral("it belongs to another user");
    return {};
}

// Reads up to limit + 1 bytes, so that a larger file shows.
QByteArray ReadUpTo(int fd, qint64 limit) {
    QByteArray content(limit + 1, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t count = ::read(fd, content.data() + done, size_t(content.size() - done));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        done += count;
    }
    content.truncate(done);
    return content;
}

}  // namespace

// Looked at before it is opened, so that no device or FIFO is ever opened,
// and checked again once open, for what was there by then.
LocalPage ReadLocalPage(const QString& path) {
    LocalPage page;
    const QByteArray name = QFile::encodeName(path);
    struct stat before {};
    if (::lstat(name.constData(), &before) != 0) {
        page.missing = errno == ENOENT;
        if (!page.missing) page.refusal = QString::fromLocal8Bit(std::strerror(errno));
        return page;
    }
    if (page.refusal = Refusal(before); !page.refusal.isEmpty()) return page;
    const int fd =
        ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        page.refusal = errno == ELOOP ? QStringLiteral("it is a symbolic link")
                                      : QString::fromLocal8Bit(std::strerror(errno));
        return page;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) {
        page.refusal = QString::fromLocal8Bit(std::strerror(errno));
    } else if (opened.st_dev != before.st_dev || opened.st_ino != before.st_ino) {
        page.refusal = QStringLiteral("it was replaced while it was opened");
    } else if (page.refusal = Refusal(opened); page.refusal.isEmpty()) {
        page.content = ReadUpTo(fd, LocalPage::SizeLimit);
        if (page.content.size() > LocalPage::SizeLimit) {
            page.refusal = QStringLiteral("it is larger than %1 bytes").arg(LocalPage::SizeLimit);
            page.content.clear();
        }
    }
    ::close(fd);
    return page;
}
