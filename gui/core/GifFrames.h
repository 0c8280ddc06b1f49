#pragma once

#include <QByteArray>
#include <QString>

struct GifFileType;

namespace runtime {

// A GIF held in memory, opened for giflib's decoder: null, with *error set,
// when it is none. The bytes and the source outlive it; DGifCloseFile ends it.
struct GifBytes {
    const QByteArray& data;
    qsizetype done = 0;
};
GifFileType* OpenGifBytes(GifBytes& source, int* error);

// No glyph picture is larger, nor has more frames or bytes.
constexpr int MaxPictureSide = 256;
constexpr int MaxPictureFrames = 256;
constexpr qint64 MaxPictureBytes = 1 << 20;

// Why decoding the GIF in data would cost more than a glyph: its screen is
// larger than maxSide a side, a frame's rectangle leaves the screen, it has
// more than maxFrames frames, or it cannot be walked to its end. Every frame
// is looked at, none decoded. Empty when it may be decoded, and for data that
// is not a GIF at all.
QString GifFramesRefusal(const QByteArray& data, int maxSide = MaxPictureSide,
                         int maxFrames = MaxPictureFrames);

// A picture file's bytes, read once, so that what is checked is what is
// decoded. Raises RuntimeError(operation, path, reason) when the file is
// missing or unreadable, larger than MaxPictureBytes, or a GIF that
// GifFramesRefusal refuses (with maxSide).
QByteArray ReadPictureBytes(const QString& operation, const QString& path,
                            int maxSide = MaxPictureSide);

}  // namespace runtime
