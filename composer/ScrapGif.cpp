#include "composer/ScrapGif.h"

#include <QHash>
#include <algorithm>
#include <map>
#include <numeric>
#include <set>

#include "composer/GlyphCatalogue.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"
#include "gui/core/SequentialFile.h"

namespace {

const QString ComposeOperation = QStringLiteral("Compose animated GIF");
// A line that holds no picture (two spaces in a row) is as high as a line
// of the browser's default font: measured in the preview window.
constexpr int EmptyLineHeight = 19;
// Glyphs whose cycles do not line up would need a long common cycle; past
// this the composition is refused rather than grown without bound.
constexpr int MaxCycleCentiseconds = 60 * 100;
constexpr size_t MaxFrames = 500;

struct Placed {
    const GifAnimation* glyph;
    int x;
    int y;
};

struct Layout {
    int width = 0;
    int height = 0;
    std::vector<Placed> letters;
};

// The text's lines of picture paths, as the scrap's tags and line breaks
// make them; empty lines before the first picture and after the last are
// dropped, since they show nothing.
QVector<QStringList> Lines(const QString& text, int style) {
    QVector<QStringList> lines(1);
    for (QChar character : text) {
        const GlyphLookup glyph = GlyphCatalogue::Lookup(character.toLower(), style);
        if (glyph.kind == GlyphKind::Glyph) lines.last() << runtime::AppPath(glyph.picture);
        if (glyph.kind == GlyphKind::LineBreak) lines.append(QStringList());
    }
    while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    while (!lines.isEmpty() && lines.first().isEmpty()) lines.removeFirst();
    return lines;
}

// Pictures stand on the line's baseline: their bottoms line up and the line
// is as high as its tallest picture.
Layout Place(const QVector<QStringList>& lines, std::map<QString, GifAnimation>& glyphs) {
    Layout layout;
    for (const QStringList& line : lines) {
        int height = line.isEmpty() ? EmptyLineHeight : 0;
        for (const QString& path : line) {
            auto [at, added] = glyphs.try_emplace(path);
            if (added) at->second = ReadGif(path);
            height = std::max(height, at->second.height);
        }
        int x = 0;
        for (const QString& path : line) {
            const GifAnimation& glyph = glyphs.at(path);
            layout.letters.push_back({&glyph, x, layout.height + height - glyph.height});
            x += glyph.width;
        }
        layout.width = std::max(layout.width, x);
        layout.height += height;
    }
    return layout;
}

int CycleLength(const GifAnimation& glyph) {
    int total = 0;
    for (const GifFrame& frame : glyph.frames) total += frame.delayCentiseconds;
    return total;
}

// The moments of one common cycle at which some letter turns to its next
// frame, and the cycle's length.
std::pair<std::vector<int>, int> Moments(const std::map<QString, GifAnimation>& glyphs) {
    long long cycle = 0;  // 0 while every letter stands still
    for (const auto& [path, glyph] : glyphs) {
        if (glyph.frames.size() < 2) continue;
        const long long length = CycleLength(glyph);
        cycle = cycle ? std::lcm(cycle, length) : length;
        if (cycle > MaxCycleCentiseconds) {
            throw runtime::RuntimeError(
                ComposeOperation, path,
                QStringLiteral("The letters' animations have no common cycle under %1 seconds")
                    .arg(MaxCycleCentiseconds / 100));
        }
    }
    std::set<int> moments{0};
    for (const auto& [path, glyph] : glyphs) {
        if (glyph.frames.size() < 2) continue;
        for (int t = 0, i = 0; t < cycle;
             t += glyph.frames[i].delayCentiseconds, i = (i + 1) % int(glyph.frames.size()))
            moments.insert(t);
    }
    if (moments.size() > MaxFrames) {
        throw runtime::RuntimeError(
            ComposeOperation, QStringLiteral("GIF"),
            QStringLiteral("The letters' animations would take more than %1 "
                           "frames together")
                .arg(MaxFrames));
    }
    return {std::vector<int>(moments.begin(), moments.end()), int(cycle)};
}

const GifFrame& FrameAt(const GifAnimation& glyph, int moment) {
    if (glyph.frames.size() < 2) return glyph.frames.first();
    int t = moment % CycleLength(glyph);
    for (const GifFrame& frame : glyph.frames) {
        if (t < frame.delayCentiseconds) return frame;
        t -= frame.delayCentiseconds;
    }
    return glyph.frames.last();
}

QVector<quint32> Draw(const Layout& layout, int moment) {
    QVector<quint32> canvas(layout.width * layout.height, 0u);
    for (const Placed& letter : layout.letters) {
        const GifAnimation& glyph = *letter.glyph;
        const QVector<quint32>& pixels = FrameAt(glyph, moment).pixels;
        for (int y = 0; y < glyph.height; ++y) {
            std::copy_n(pixels.constBegin() + y * glyph.width, glyph.width,
                        canvas.begin() + (letter.y + y) * layout.width + letter.x);
        }
    }
    return canvas;
}

// Colour indices over one palette for all frames; index 0 is transparent.
IndexedGif Index(const GifAnimation& animation) {
    IndexedGif picture{animation.width, animation.height, {}, 2, {}};
    QHash<quint32, char> indices;
    for (const GifFrame& frame : animation.frames) {
        QByteArray pixels(frame.pixels.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < frame.pixels.size(); ++i) {
            const quint32 argb = frame.pixels[i];
            if (argb == 0) {
                pixels[i] = 0;
                continue;
            }
            auto found = indices.find(argb);
            if (found == indices.end()) {
                if (picture.palette.size() == 255) {
                    throw runtime::RuntimeError(
                        ComposeOperation, QStringLiteral("GIF"),
                        QStringLiteral("The letters use more than 255 colours"));
                }
                picture.palette.append(argb & 0xffffffu);
                found = indices.insert(argb, char(picture.palette.size()));
            }
            pixels[i] = *found;
        }
        picture.frames.append({pixels, frame.delayCentiseconds});
    }
    while (picture.tableSize < picture.palette.size() + 1) picture.tableSize *= 2;
    return picture;
}

}  // namespace

QString ScrapGifName(const QString& text) {
    QString name;
    for (QChar character : text.toLower())
        if ((character >= u'a' && character <= u'z') || character == u' ') name += character;
    name = name.simplified();
    return (name.isEmpty() ? QStringLiteral("scrap") : name) + QStringLiteral(".gif");
}

bool ScrapHasLetter(const QString& text, int style) {
    return std::any_of(text.begin(), text.end(), [style](QChar character) {
        return GlyphCatalogue::Lookup(character.toLower(), style).kind == GlyphKind::Glyph;
    });
}

GifAnimation ComposeScrapGif(const QString& text, int style) {
    const QVector<QStringList> lines = Lines(text, style);
    if (lines.isEmpty()) {
        throw runtime::RuntimeError(ComposeOperation, text,
                                    QStringLiteral("The text has no letter a to z to draw"));
    }
    std::map<QString, GifAnimation> glyphs;
    const Layout layout = Place(lines, glyphs);
    const auto [moments, cycle] = Moments(glyphs);
    GifAnimation animation{layout.width, layout.height, {}};
    for (size_t i = 0; i < moments.size(); ++i) {
        const int next = i + 1 < moments.size() ? moments[i + 1] : cycle;
        animation.frames.append({Draw(layout, moments[i]), next - moments[i]});
    }
    return animation;
}

QByteArray EncodeScrapGif(const QString& text, int style) {
    return EncodeGif(Index(ComposeScrapGif(text, style)));
}

void SaveScrapGif(const QString& fileName, const QString& text, int style) {
    runtime::WriteWholeFile(fileName, EncodeScrapGif(text, style));
}
