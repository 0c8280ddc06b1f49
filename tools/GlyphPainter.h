#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QVector>

// Draws glitter letters: bold letters with a dark outline, which keeps their
// shape on a light page, filled with glitter bright enough to read on a dark
// one, its flecks and sparkles moving from frame to frame.
struct GlyphStyle {
    int emPixels;  // the font's size
    int frames;
    int delayCentiseconds;
    QColor outline;
    QVector<QColor> glitter;  // dark to light; the last is the sparkles' core
};

GlyphStyle PinkStyle();  // style 1
GlyphStyle RedStyle();   // style 2

// Every colour the pictures of a style use.
QVector<QColor> Palette(const GlyphStyle& style);

// The frames of the letters a to z, transparent outside each letter: as wide
// as the letter's advance, all as high as the style's tallest and deepest
// letter, with the baseline at the same height. Pseudo-random but fixed by
// the seed, so that every run draws the same pictures.
QVector<QVector<QImage>> PaintAlphabet(const GlyphStyle& style, quint32 seed);

// The same letter centred in a picture of the given size.
QVector<QImage> PaintSample(const GlyphStyle& style, QChar letter, quint32 seed, QSize size);
