#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Animated GIF pictures, read and written with giflib; Qt Core only.

#include "gui/core/GifFrames.h"

// Every frame as a browser shows it, whole: one 0xAARRGGBB value a pixel,
// row by row, either fully transparent (0) or opaque.
struct GifFrame {
    QVector<quint32> pixels;
    int delayCentiseconds = 0;
};

struct GifAnimation {
    int width = 0;
    int height = 0;
    QVector<GifFrame> frames;
};

// Reads a GIF picture file and plays its frames, disposal included.
// Raises runtime::RuntimeError naming the file and the reason when it is
// missing, unreadable, larger than maxSide a side, has a frame outside its
// screen or is not a sound GIF.
GifAnimation ReadGif(const QString& path, int maxSide = runtime::MaxPictureSide);

// A picture in colour indices: index 0 is transparent, index i > 0 has the
// colour palette[i - 1] (0xRRGGBB). The colour table has tableSize entries,
// a power of two from 2 to 256; entries past the palette repeat its last.
struct IndexedGif {
    struct Frame {
        QByteArray indices;  // width * height, row by row
        int delayCentiseconds = 0;
    };
    int width = 0;
    int height = 0;
    QVector<quint32> palette;
    int tableSize = 0;
    QVector<Frame> frames;
};

// The picture as a GIF89a that loops for ever. A frame that no pixel of the
// next turns transparent stays on the screen, and the next holds only what
// changes; the others clear the screen when their time is up, so
// transparency shows through.
QByteArray EncodeGif(const IndexedGif& picture);
