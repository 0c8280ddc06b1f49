#pragma once

#include <QImage>
#include <QString>
#include <QVector>

// Writes frames as an endlessly looping GIF89a. Pixels with alpha below 128
// become the transparent colour (index 0); the others take the nearest of
// `palette`, which fills the rest of a colour table of `tableSize` entries
// (a power of two). Throws std::runtime_error naming the file on failure.
void WriteAnimatedGif(const QString& path, const QVector<QImage>& frames,
                      const QVector<QColor>& palette, int tableSize, int delayCentiseconds);
