#pragma once

#include <QChar>
#include <QString>

// What one character of the input text becomes in a picture style.
enum class GlyphKind { Glyph, LineBreak, NoEntry };

struct GlyphLookup {
    GlyphKind kind = GlyphKind::NoEntry;
    QString picture;  // relative to AppDir, "\1\a.gif"; empty unless Glyph
    QString tag;      // the image tag, or "<br>"; empty for NoEntry
};

// The fixed table of the 26 letters a to z and the space.
class GlyphCatalogue {
public:
    // Exact comparison with the keys; no case folding. style is 1 or 2.
    static GlyphLookup Lookup(QChar character, int style);
};
