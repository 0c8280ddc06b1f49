#pragma once

#include <QByteArray>
#include <QString>

namespace gui {

// No glyph picture is larger, nor has more frames.
constexpr int MaxPictureSide = 256;
constexpr int MaxPictureFrames = 256;

// Why decoding the GIF in data would cost more than a glyph: its screen is
// larger than maxSide a side, a frame's rectangle leaves the screen, it has
// more than maxFrames frames, or it cannot be walked to its end. Every frame
// is looked at, none decoded. Empty when it may be decoded, and for data that
// is not a GIF at all.
QString GifFramesRefusal(const QByteArray& data, int maxSide = MaxPictureSide,
                         int maxFrames = MaxPictureFrames);

}  // namespace gui
