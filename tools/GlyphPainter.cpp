#include "GlyphPainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <random>

namespace {

QVector<QColor> Ramp(std::initializer_list<QColor> stops, int count) {
    const QVector<QColor> points(stops);
    QVector<QColor> ramp;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / (count - 1) * (points.size() - 1);
        const int k = qMin(int(t), int(points.size()) - 2);
        const double f = t - k;
        const QColor& a = points[k];
        const QColor& b = points[k + 1];
        ramp << QColor(int(a.red() + (b.red() - a.red()) * f),
                       int(a.green() + (b.green() - a.green()) * f),
                       int(a.blue() + (b.blue() - a.blue()) * f));
    }
    return ramp;
}

// The letter's outline, fitted into the picture with the baseline at the
// same height for every letter, so that ascenders and descenders fit.
QPainterPath LetterPath(const GlyphStyle& style, QChar letter) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(100);
    const QFontMetricsF metrics(font);
    QPainterPath path;
    path.addText(0, 0, font, QString(letter));
    const double ascent = metrics.boundingRect(QStringLiteral("bdfhklt")).top();  // negative
    const double descent = metrics.boundingRect(QStringLiteral("gjpqy")).bottom();
    const double margin = 1.5;
    const double sy = (style.height - 2 * margin) / (descent - ascent);
    const double sx =
        qMin(sy, (style.width - 2 * margin) / metrics.horizontalAdvance(QStringLiteral("w")));
    const QRectF box = path.boundingRect();
    QTransform fit;
    fit.translate(style.width / 2.0, margin - ascent * sy);
    fit.scale(sx, sy);
    fit.translate(-box.center().x(), 0);
    return fit.map(path);
}

QImage Mask(const GlyphStyle& style, const QPainterPath& path) {
    QImage mask(style.width, style.height, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, Qt::white);
    return mask;
}

bool Inside(const QImage& mask, int x, int y) {
    return x >= 0 && y >= 0 && x < mask.width() && y < mask.height() &&
           qAlpha(mask.pixel(x, y)) >= 110;
}

bool OnEdge(const QImage& mask, int x, int y) {
    return !Inside(mask, x - 1, y) || !Inside(mask, x + 1, y) || !Inside(mask, x, y - 1) ||
           !Inside(mask, x, y + 1);
}

// A four-pointed star: a bright centre and arms that fade.
void Sparkle(QImage& image, int cx, int cy, int arm, const QVector<QColor>& shades) {
    const QColor white = shades.last();
    image.setPixelColor(cx, cy, white);
    for (int d = 1; d <= arm; ++d) {
        const QColor c = shades[qMax(0, int(shades.size()) - 1 - d * 3)];
        for (auto [dx, dy] : {std::pair{d, 0}, {-d, 0}, {0, d}, {0, -d}}) {
            const int x = cx + dx, y = cy + dy;
            if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
                image.setPixelColor(x, y, c);
        }
    }
}

}  // namespace

GlyphStyle PinkStyle() {
    return {32, 28, 3, 15,
            Ramp({QColor(110, 0, 60), QColor(230, 40, 150), QColor(255, 140, 205),
                  QColor(255, 255, 255)},
                 24)};
}

GlyphStyle RedStyle() {
    return {36, 74, 3, 11,
            Ramp({QColor(80, 0, 0), QColor(205, 0, 20), QColor(255, 90, 90), QColor(255, 255, 255)},
                 24)};
}

QVector<QImage> PaintGlyph(const GlyphStyle& style, QChar letter, quint32 seed) {
    const QImage mask = Mask(style, LetterPath(style, letter));
    std::mt19937 random(seed);
    const int shades = int(style.shades.size());
    QVector<QImage> frames;
    for (int f = 0; f < style.frames; ++f) {
        QImage frame(style.width, style.height, QImage::Format_ARGB32);
        frame.fill(Qt::transparent);
        QVector<QPoint> inside;
        for (int y = 0; y < style.height; ++y) {
            for (int x = 0; x < style.width; ++x) {
                if (!Inside(mask, x, y)) continue;
                inside << QPoint(x, y);
                if (OnEdge(mask, x, y)) {
                    frame.setPixelColor(x, y, style.shades[random() % 3]);
                    continue;
                }
                // Glitter: mostly the body colour, with lighter flecks that
                // change from frame to frame.
                const int roll = int(random() % 100);
                const int shade = roll < 70   ? 6 + int(random() % 6)
                                  : roll < 93 ? 12 + int(random() % 6)
                                              : 18 + int(random() % (shades - 18));
                frame.setPixelColor(x, y, style.shades[shade]);
            }
        }
        const int sparkles = 2 + style.height / 30;
        for (int s = 0; s < sparkles && !inside.isEmpty(); ++s) {
            const QPoint at = inside[random() % inside.size()];
            Sparkle(frame, at.x(), at.y(), 1 + int(random() % 2) + style.height / 40, style.shades);
        }
        frames << frame;
    }
    return frames;
}
