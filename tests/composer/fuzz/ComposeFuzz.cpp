// Feeds arbitrary UTF-16 text and a style to ComposeScrap and checks what
// must hold for every input.
#include <cstdint>
#include <cstdlib>
#include <cstdio>

#include "composer/GlyphCatalogue.h"
#include "composer/ScrapComposer.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Walks the text as the composition does and checks the scrap piece by piece
// against the catalogue, and each slot against the cursor rule.
void CheckComposition(const QString& text, int style, const ScrapComposition& c) {
    if (text.size() > ComposeLimit) {
        Check(!c.CounterText && !c.SlotPictures && c.Scrap.isEmpty(), "nothing composed past 26");
        return;
    }
    Check(c.CounterText == QString::number(20 - text.size()), "counter is 20 minus the length");
    if (style == NoStyle) {
        Check(!c.SlotPictures && c.Scrap.isEmpty(), "no style composes nothing");
        return;
    }
    Check(c.SlotPictures.has_value(), "slots present");
    qsizetype at = 0;
    int slot = 0;
    for (QChar ch : text) {
        const GlyphLookup g = GlyphCatalogue::Lookup(ch.toLower(), style);
        if (g.kind == GlyphKind::NoEntry) continue;
        Check(c.Scrap.mid(at, g.tag.size()) == g.tag, "scrap is the catalogue's tags in order");
        at += g.tag.size();
        Check((*c.SlotPictures)[slot] == g.picture, "slot follows the cursor rule");
        ++slot;
    }
    Check(at == c.Scrap.size(), "nothing but tags in the scrap");
    for (; slot < SlotCount; ++slot) Check((*c.SlotPictures)[slot].isEmpty(), "later slots empty");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int style = data[0] % 3;  // 0 is no style
    const QString text(reinterpret_cast<const QChar*>(data + 1), static_cast<qsizetype>((size - 1) / 2));
    CheckComposition(text, style, ComposeScrap(text, style));
    return 0;
}
