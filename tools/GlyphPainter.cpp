#include "GlyphPainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <random>

namespace {

// Letters are rasterised on a canvas of this size, the pen at its centre.
constexpr int Canvas = 160;
constexpr int Origin = Canvas / 2;
// A pixel this covered by the letter (of 255) belongs to it.
constexpr int Covered = 64;

// Where a pixel lies: the outline is the letter's own edge; Body the inside
// next to it; Core the inside further in, where light flecks and sparkles
// cannot dent the stroke's edge.
enum class Part : quint8 { Outside, Outline, Body, Core };

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

QFont LetterFont(int emPixels) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(emPixels);
    // Hinted outlines put stems, the baseline and the x-height on whole
    // pixels, so strokes are crisp.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The letter's coverage on the canvas, its baseline and pen at Origin.
QImage Coverage(const QFont& font, QChar letter) {
    QImage canvas(Canvas, Canvas, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(Origin, Origin), QString(letter));
    return canvas;
}

bool Covers(const QImage& coverage, int x, int y) {
    return qAlpha(coverage.pixel(x, y)) >= Covered;
}

// The canvas columns and rows that the letter covers.
QRect Ink(const QImage& coverage) {
    QRect ink;
    for (int y = 0; y < Canvas; ++y)
        for (int x = 0; x < Canvas; ++x)
            if (Covers(coverage, x, y)) ink |= QRect(x, y, 1, 1);
    return ink;
}

// The canvas rows of every picture of a style: from the top of its tallest
// letter to the bottom of its deepest, with room above and below that keeps
// lines of pictures apart.
std::pair<int, int> Rows(const QFont& font) {
    QRect all;
    for (char16_t l = u'a'; l <= u'z'; ++l) all |= Ink(Coverage(font, QChar(l)));
    const int leading = 1 + font.pixelSize() / 8;
    return {all.top() - leading, all.bottom() + leading};
}

// The letter's shape in its picture: which pixel is outline, body, core or
// outside.
class Shape {
public:
    Shape(const QFont& font, std::pair<int, int> rows, QChar letter) {
        const QImage coverage = Coverage(font, letter);
        const QRect ink = Ink(coverage);
        // As wide as the letter's advance, or its ink where that reaches
        // further, so that letters stand side by side as the font sets them.
        const int advance = qRound(QFontMetricsF(font).horizontalAdvance(letter));
        const int left = std::min(Origin, ink.left());
        const int right = std::max(Origin + advance - 1, ink.right());
        const auto [top, bottom] = rows;
        width_ = right - left + 1;
        height_ = bottom - top + 1;
        parts_.fill(Part::Outside, width_ * height_);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (Covers(coverage, left + x, top + y)) At(x, y) = Part::Body;
        Mark(Part::Body, Part::Outside, Part::Outline);
        Mark(Part::Body, Part::Outline, Part::Core, true);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    Part operator()(int x, int y) const {
        return x < 0 || y < 0 || x >= width_ || y >= height_ ? Part::Outside
                                                             : parts_[y * width_ + x];
    }

private:
    Part& At(int x, int y) { return parts_[y * width_ + x]; }

    bool Beside(int x, int y, Part part) const {
        return (*this)(x - 1, y) == part || (*this)(x + 1, y) == part ||
               (*this)(x, y - 1) == part || (*this)(x, y + 1) == part;
    }

    // Turns every `from` pixel beside a `neighbour` (or, with `away`, beside
    // none) into `to`.
    void Mark(Part from, Part neighbour, Part to, bool away = false) {
        QVector<QPoint> marked;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if ((*this)(x, y) == from && Beside(x, y, neighbour) != away)
                    marked << QPoint(x, y);
        for (const QPoint& p : marked) At(p.x(), p.y()) = to;
    }

    int width_ = 0;
    int height_ = 0;
    QVector<Part> parts_;
};

// A pixel's glitter. Next to the outline only the darker shades, so that
// the stroke's edge stays whole; further in mostly middle shades with light
// flecks. The last shade is kept for the sparkles.
QColor Glitter(const GlyphStyle& style, std::mt19937& random, Part part) {
    const int shades = int(style.glitter.size()) - 1;
    if (part == Part::Body) return style.glitter[int(random() % (shades / 3))];
    const int roll = int(random() % 100);
    const int shade = roll < 72   ? shades / 5 + int(random() % (shades / 3))
                      : roll < 94 ? shades / 2 + int(random() % (shades / 4))
                                  : shades * 2 / 3 + int(random() % (shades / 6));
    return style.glitter[shade];
}

// A four-pointed star in the letter's core, its arms cut where the core
// ends, so that it never dents the outline.
void Sparkle(QImage& frame, const Shape& shape, QPoint at, int arm, const GlyphStyle& style) {
    frame.setPixelColor(at, style.glitter.last());
    for (int d = 1; d <= arm; ++d) {
        const QColor colour = style.glitter[style.glitter.size() - 1 - d];
        for (QPoint step : {QPoint(d, 0), QPoint(-d, 0), QPoint(0, d), QPoint(0, -d)}) {
            const QPoint p = at + step;
            if (shape(p.x(), p.y()) == Part::Core) frame.setPixelColor(p, colour);
        }
    }
}

QImage Frame(const GlyphStyle& style, const Shape& shape, std::mt19937& random) {
    QImage frame(shape.Width(), shape.Height(), QImage::Format_ARGB32);
    frame.fill(Qt::transparent);
    QVector<QPoint> core;
    int inside = 0;
    for (int y = 0; y < shape.Height(); ++y) {
        for (int x = 0; x < shape.Width(); ++x) {
            const Part part = shape(x, y);
            if (part == Part::Outline) frame.setPixelColor(x, y, style.outline);
            if (part == Part::Body || part == Part::Core) {
                frame.setPixelColor(x, y, Glitter(style, random, part));
                ++inside;
            }
            if (part == Part::Core) core << QPoint(x, y);
        }
    }
    const int sparkles = 1 + inside / 90;
    for (int s = 0; s < sparkles && !core.isEmpty(); ++s)
        Sparkle(frame, shape, core[random() % core.size()], 1 + int(random() % 2), style);
    return frame;
}

}  // namespace

GlyphStyle PinkStyle() {
    return {32, 3, 15, QColor(160, 10, 100),
            Ramp({QColor(200, 30, 125), QColor(240, 75, 168), QColor(255, 155, 212),
                  QColor(255, 255, 255)},
                 20)};
}

GlyphStyle RedStyle() {
    return {38, 3, 11, QColor(150, 0, 20),
            Ramp({QColor(225, 10, 30), QColor(255, 60, 65), QColor(255, 150, 150),
                  QColor(255, 255, 255)},
                 20)};
}

QVector<QColor> Palette(const GlyphStyle& style) {
    return QVector<QColor>{style.outline} + style.glitter;
}

QVector<QVector<QImage>> PaintAlphabet(const GlyphStyle& style, quint32 seed) {
    const QFont font = LetterFont(style.emPixels);
    const std::pair<int, int> rows = Rows(font);
    QVector<QVector<QImage>> alphabet;
    for (char16_t l = u'a'; l <= u'z'; ++l) {
        const Shape shape(font, rows, QChar(l));
        std::mt19937 random(seed + l);
        QVector<QImage> frames;
        for (int f = 0; f < style.frames; ++f) frames << Frame(style, shape, random);
        alphabet << frames;
    }
    return alphabet;
}

QVector<QImage> PaintSample(const GlyphStyle& style, QChar letter, quint32 seed, QSize size) {
    const QFont font = LetterFont(style.emPixels);
    const Shape shape(font, Rows(font), letter);
    std::mt19937 random(seed);
    QVector<QImage> frames;
    for (int f = 0; f < style.frames; ++f) {
        const QImage glyph = Frame(style, shape, random);
        QRect ink;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 0; x < glyph.width(); ++x)
                if (qAlpha(glyph.pixel(x, y))) ink |= QRect(x, y, 1, 1);
        QImage sample(size, QImage::Format_ARGB32);
        sample.fill(Qt::transparent);
        QPainter painter(&sample);
        painter.drawImage((size.width() - ink.width()) / 2, (size.height() - ink.height()) / 2,
                          glyph, ink.x(), ink.y(), ink.width(), ink.height());
        painter.end();
        frames << sample;
    }
    return frames;
}
