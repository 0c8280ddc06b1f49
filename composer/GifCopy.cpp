#include "composer/GifCopy.h"

#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "composer/ScrapGif.h"
#include "gui/core/SequentialFile.h"

namespace {

const QString CopyFolderPattern = QStringLiteral("copy-XXXXXX");
constexpr qint64 KeptSeconds = 24 * 60 * 60;

QString CacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
}

}  // namespace

QString GifCopiesFolder() {
    return QDir(CacheFolder()).filePath(QStringLiteral("dururive/copies"));
}

GifCopy WriteGifCopy(const QString& text, int style) {
    GifCopy copy{{}, EncodeScrapGif(text, style)};
    const runtime::PrivateFolder copies = runtime::PrivateFolder::Open(CacheFolder())
                                              .Sub(QStringLiteral("dururive"))
                                              .Sub(QStringLiteral("copies"));
    const runtime::PrivateFolder folder = copies.MakeNew(CopyFolderPattern);
    try {
        copy.file = folder.WriteNewFile(ScrapGifName(text), copy.bytes);
    } catch (...) {
        copies.RemoveEmptyFolder(QFileInfo(folder.Path()).fileName());
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
