#pragma once

// Pixel checks shared by the offscreen and the on-screen tests: the image is
// the About window's client area as shown (one image pixel a device pixel).
#include <QImage>
#include <QRect>

#include "gui/Design.h"

inline QRect TwipsRect(int left, int top, int width, int height) {
    return {gui::TwipsToPixels(left), gui::TwipsToPixels(top), gui::TwipsToPixels(width),
            gui::TwipsToPixels(height)};
}

inline int CountColour(const QImage& image, const QRect& area, QRgb colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) ++count;
    return count;
}

// Light grey lettering (anti-aliased) on a dark ground.
inline int CountLight(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) >= 150 && qGreen(p) >= 150 && qBlue(p) >= 150) ++count;
        }
    return count;
}

// The red title lies over its yellow copy one pixel lower: both colours show,
// and the bottom edge of the lettering is yellow.
inline void ExpectTwoToneTitle(const QImage& client) {
    const QRect title = TwipsRect(240, 110, 3975, 505);
    const int red = CountColour(client, title, qRgb(192, 64, 0));
    const int yellow = CountColour(client, title, qRgb(255, 255, 0));
    EXPECT_GT(red, 100) << "red lettering";
    EXPECT_GT(yellow, 20) << "yellow copy under it";
    EXPECT_GT(red, yellow) << "the red copy must lie in front";
}
