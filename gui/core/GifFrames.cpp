#include "GifFrames.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <memory>

#include "RuntimeError.h"

namespace runtime {

namespace {

int Read(GifFileType* gif, GifByteType* buffer, int wanted) {
    auto* source = static_cast<GifBytes*>(gif->UserData);
    const qsizetype count = std::min<qsizetype>(wanted, source->data.size() - source->done);
    std::memcpy(buffer, source->data.constData() + source->done, size_t(count));
    source->done += count;
    return int(count);
}

struct Closer {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

QString Unreadable(int error) {
    return QStringLiteral("its frames cannot be read (%1)")
        .arg(QString::fromLatin1(GifErrorString(error)));
}

// Skips the compressed pixels of the frame just described, undecoded.
bool SkipPixels(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) return false;
    while (block) {
        if (DGifGetCodeNext(gif, &block) != GIF_OK) return false;
    }
    return true;
}

bool SkipExtension(GifFileType* gif) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
    while (block) {
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
    }
    return true;
}

QString FrameRefusal(const GifFileType* gif, int frame) {
    const GifImageDesc& image = gif->Image;
    if (image.Left < 0 || image.Top < 0 || image.Width > gif->SWidth - image.Left ||
        image.Height > gif->SHeight - image.Top) {
        return QStringLiteral("its frame %1 (%2 x %3 at %4,%5) leaves its %6 x %7 screen")
            .arg(frame)
            .arg(image.Width)
            .arg(image.Height)
            .arg(image.Left)
            .arg(image.Top)
            .arg(gif->SWidth)
            .arg(gif->SHeight);
    }
    return {};
}

}  // namespace

GifFileType* OpenGifBytes(GifBytes& source, int* error) {
    return DGifOpen(&source, Read, error);
}

QString GifFramesRefusal(const QByteArray& data, int maxSide, int maxFrames) {
    if (!data.startsWith("GIF8")) return {};
    GifBytes source{data};
    int error = 0;
    const std::unique_ptr<GifFileType, Closer> gif(OpenGifBytes(source, &error));
    if (!gif) return Unreadable(error);
    if (gif->SWidth > maxSide || gif->SHeight > maxSide) {
        return QStringLiteral("it declares %1 x %2 pixels, more than %3 x %3")
            .arg(gif->SWidth)
            .arg(gif->SHeight)
            .arg(maxSide);
    }
    for (int frames = 0;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) != GIF_OK) return Unreadable(gif->Error);
        if (record == TERMINATE_RECORD_TYPE) return {};
        if (record == EXTENSION_RECORD_TYPE) {
            if (!SkipExtension(gif.get())) return Unreadable(gif->Error);
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) return Unreadable(D_GIF_ERR_WRONG_RECORD);
        if (++frames > maxFrames)
            return QStringLiteral("it has more than %1 frames").arg(maxFrames);
        if (DGifGetImageDesc(gif.get()) != GIF_OK) return Unreadable(gif->Error);
        if (QString refusal = FrameRefusal(gif.get(), frames); !refusal.isEmpty()) return refusal;
        if (!SkipPixels(gif.get())) return Unreadable(gif->Error);
    }
}

namespace {

// Opens a file without waiting (a FIFO put in its place would block) and
// checks it once open; a picture built into the program (":/...") as it is.
void OpenPicture(QFile& file, const QString& operation, const QString& path) {
    if (path.startsWith(QLatin1Char(':'))) {
        file.setFileName(path);
        if (!file.exists()) throw RuntimeError(operation, path, QStringLiteral("File not found"));
        if (!file.open(QIODevice::ReadOnly))
            throw RuntimeError(operation, path, QStringLiteral("The file cannot be read"));
        return;
    }
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0 && errno == ENOENT)
        throw RuntimeError(operation, path, QStringLiteral("File not found"));
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        throw RuntimeError(operation, path, QStringLiteral("The file cannot be read"));
    }
}

}  // namespace

QByteArray ReadPictureBytes(const QString& operation, const QString& path, int maxSide) {
    QFile file;
    OpenPicture(file, operation, path);
    const QByteArray bytes = file.read(MaxPictureBytes + 1);
    // A picture larger than any glyph, or a GIF frame larger than its screen,
    // would take seconds and gigabytes to decode, so the sizes are read first.
    QString refusal = bytes.size() > MaxPictureBytes
                          ? QStringLiteral("it is larger than %1 bytes").arg(MaxPictureBytes)
                          : GifFramesRefusal(bytes, maxSide);
    if (!refusal.isEmpty()) {
        throw RuntimeError(operation, path,
                           QStringLiteral("Not a readable picture (%1)").arg(refusal));
    }
    return bytes;
}

}  // namespace runtime
