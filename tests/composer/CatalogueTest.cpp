#include <gtest/gtest.h>

#include "composer/GlyphCatalogue.h"
#include "composer/Urls.h"

namespace {
QString Base() { return QString::fromLatin1(GlyphBaseUrl); }
}  // namespace

TEST(GlyphCatalogue, EveryLetterInBothStylesFollowsTheTable) {
    for (int style = 1; style <= 2; ++style) {
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            const QString l(QChar::fromLatin1(letter));
            const QString d = QString::number(style);
            const GlyphLookup glyph = GlyphCatalogue::Lookup(QChar::fromLatin1(letter), style);
            ASSERT_EQ(glyph.kind, GlyphKind::Glyph) << letter;
            EXPECT_EQ(glyph.picture, "\\" + d + "\\" + l + ".gif");
            EXPECT_EQ(glyph.picture.size(), 8);
            EXPECT_EQ(glyph.tag, "<img src='" + Base() + "/" + d + "/" + l + ".gif'>");
            EXPECT_EQ(glyph.tag.size(), Base().size() + 20);
        }
    }
}

TEST(GlyphCatalogue, SpaceIsALineBreakInBothStyles) {
    for (int style = 1; style <= 2; ++style) {
        const GlyphLookup lookup = GlyphCatalogue::Lookup(QChar(u' '), style);
        EXPECT_EQ(lookup.kind, GlyphKind::LineBreak);
        EXPECT_EQ(lookup.tag, "<br>");
        EXPECT_TRUE(lookup.picture.isEmpty());
    }
}

TEST(GlyphCatalogue, EverythingElseHasNoEntry) {
    // No case folding: capitals find nothing. Digits 1 and 2 name the picture
    // folders but are no keys either.
    const QString others = QStringLiteral("AZ012789.,;!?'<>/\\\t\n\u00e9\u00e4\u00c4\u00a0\u3000\u0130_-");
    for (QChar c : others) {
        for (int style = 1; style <= 2; ++style) {
            const GlyphLookup lookup = GlyphCatalogue::Lookup(c, style);
            EXPECT_EQ(lookup.kind, GlyphKind::NoEntry) << int(c.unicode());
            EXPECT_TRUE(lookup.tag.isEmpty());
            EXPECT_TRUE(lookup.picture.isEmpty());
        }
    }
    EXPECT_EQ(GlyphCatalogue::Lookup(QChar(0xD83D), 1).kind, GlyphKind::NoEntry);
}

TEST(GlyphCatalogue, StylesDifferOnlyInTheirDigit) {
    const GlyphLookup one = GlyphCatalogue::Lookup(QChar(u'k'), 1);
    const GlyphLookup two = GlyphCatalogue::Lookup(QChar(u'k'), 2);
    EXPECT_EQ(two.picture, "\\2\\k.gif");
    EXPECT_TRUE(two.tag.endsWith("/2/k.gif'>"));
    QString swapped = one.tag;
    swapped.replace("/1/k.gif", "/2/k.gif");
    EXPECT_EQ(swapped, two.tag);
}
