#include "composer/GifCopy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

#include "composer/ScrapGif.h"
#include "gui/core/RuntimeError.h"
#include "gui/core/SequentialFile.h"

namespace {

const QString CreateOperation = QStringLiteral("Create folder");
const QString CopyFolderPattern = QStringLiteral("copy-XXXXXX");
constexpr qint64 KeptSeconds = 24 * 60 * 60;

[[noreturn]] void Refuse(const QString& folder, int error) {
    throw runtime::RuntimeError(CreateOperation, folder,
                                QString::fromLocal8Bit(std::strerror(error)));
}

// The folder and any missing above it, each private to the user, as the
// cache folder's own rules ask.
void MakeFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) == 0) return;
    int error = errno;
    const QString parent = QFileInfo(folder).path();
    if (error == ENOENT && parent != folder) {
        MakeFolder(parent);
        if (::mkdir(path.constData(), 0700) == 0) return;
        error = errno;
    }
    struct stat status {};
    if (error == EEXIST && ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return;
    Refuse(folder, error == EEXIST ? ENOTDIR : error);
}

// A new folder of its own for one copy.
QString NewCopyFolder() {
    const QString copies = GifCopiesFolder();
    MakeFolder(copies);
    QByteArray pattern = QFile::encodeName(QDir(copies).filePath(CopyFolderPattern));
    if (!::mkdtemp(pattern.data())) Refuse(copies, errno);
    return QFile::decodeName(pattern);
}

}  // namespace

QString GifCopiesFolder() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return QDir(cache).filePath(QStringLiteral("dururive/copies"));
}

GifCopy WriteGifCopy(const QString& text, int style) {
    GifCopy copy{{}, EncodeScrapGif(text, style)};
    const QString folder = NewCopyFolder();
    copy.file = QDir(folder).filePath(ScrapGifName(text));
    try {
        runtime::WriteWholeFile(copy.file, copy.bytes);
    } catch (...) {
        QDir(folder).removeRecursively();
        throw;
    }
    return copy;
}

void RemoveOldGifCopies() {
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-KeptSeconds);
    const QString pattern = QString(CopyFolderPattern).replace(QLatin1Char('X'), QLatin1Char('?'));
    const QFileInfoList folders =
        QDir(GifCopiesFolder())
            .entryInfoList({pattern}, QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QFileInfo& folder : folders) {
        if (folder.ownerId() == ::getuid() && folder.lastModified().toUTC() < before)
            QDir(folder.filePath()).removeRecursively();
    }
}
