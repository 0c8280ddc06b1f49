#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>

// A GIF of a few bytes with a screen of the given size and one frame per
// rectangle (the whole screen when none is given): a two-colour table and
// frames whose image data ends at once.
inline QByteArray TinyGif(quint16 width, quint16 height, const QList<QRect>& frames = {}) {
    QByteArray gif("GIF89a");
    const auto put = [&](int value) { gif.append(char(value & 0xff)).append(char(value >> 8)); };
    put(width);
    put(height);
    gif.append("\x80\x00\x00", 3).append("\x00\x00\x00\xff\xff\xff", 6);
    for (const QRect& frame :
         frames.isEmpty() ? QList<QRect>{QRect(0, 0, width, height)} : frames) {
        gif.append('\x2c');
        for (int value : {frame.x(), frame.y(), frame.width(), frame.height()}) put(value);
        // No local table; LZW code size 2, then the codes clear and end.
        gif.append("\x00\x02\x01\x2c\x00", 5);
    }
    return gif.append('\x3b');
}
