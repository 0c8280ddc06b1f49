#pragma once

#include <QColor>
#include <QImage>
#include <QVector>

// Draws the frames of one glitter letter.
struct GlyphStyle {
    int width;
    int height;
    int frames;
    int delayCentiseconds;
    QVector<QColor> shades;  // dark to light: outline, body, highlights
};

GlyphStyle PinkStyle();  // style 1
GlyphStyle RedStyle();   // style 2

// The frames of a letter, transparent outside it. Pseudo-random but fixed
// by the letter and the style, so the same letter is drawn the same way on
// every run.
QVector<QImage> PaintGlyph(const GlyphStyle& style, QChar letter, quint32 seed);
