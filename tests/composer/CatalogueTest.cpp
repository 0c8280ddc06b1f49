#include <gtest/gtest.h>

#include "Printers.h"
#include "composer/GlyphCatalogue.h"
#include "urls/Urls.h"

namespace {
QString Base() {
    return QString::fromLatin1(GlyphBaseUrl);
}
}  // namespace

TEST(GlyphCatalogue, AllRowsInBothStylesFollowTheTable) {
    const QString keys = QStringLiteral("abcdefghijklmnopqrstuvwxyz ");
    ASSERT_EQ(keys.size(), 27);
    for (int style = 1; style <= 2; ++style) {
        const QString d = QString::number(style);
        for (QChar key : keys) {
            SCOPED_TRACE(QString(key).toStdString() + " style " + d.toStdString());
            const GlyphLookup glyph = GlyphCatalogue::Lookup(key, style);
            if (key == u' ') {
                EXPECT_EQ(glyph.kind, GlyphKind::LineBreak);
                EXPECT_EQ(glyph.tag, "<br>");
                EXPECT_TRUE(glyph.picture.isEmpty());
                continue;
            }
            ASSERT_EQ(glyph.kind, GlyphKind::Glyph);
            EXPECT_EQ(glyph.picture, "\\" + d + "\\" + key + ".gif");
            EXPECT_EQ(glyph.picture.size(), 8);
            EXPECT_EQ(glyph.tag, "<img src='" + Base() + "/" + d + "/" + key + ".gif'>");
            EXPECT_EQ(glyph.tag.size(), Base().size() + 20);
        }
    }
}

TEST(GlyphCatalogue, TheBaseAddressIsAHostWithoutTrailingSlash) {
    EXPECT_TRUE(Base().startsWith("http://") || Base().startsWith("https://"));
    EXPECT_FALSE(Base().endsWith('/'));
    EXPECT_FALSE(Base().contains(u'@'));  // configured, not left as a placeholder
}

TEST(GlyphCatalogue, EverythingElseHasNoEntry) {
    // No case folding: capitals find nothing. The digits 1 and 2 name the
    // picture folders but are no keys either. U+212A (Kelvin sign) lower-cases
    // to k, yet is not k itself.
    const QString others = QStringLiteral(
        "AKZ012789.,;:!?'\"<>/"
        "\\\t\n\r\u00e9\u00e4\u00c4\u00a0\u3000\u0130\u212a\uff41_-`{@[\u0000");
    for (QChar c : others) {
        for (int style = 1; style <= 2; ++style) {
            const GlyphLookup lookup = GlyphCatalogue::Lookup(c, style);
            EXPECT_EQ(lookup.kind, GlyphKind::NoEntry) << int(c.unicode());
            EXPECT_TRUE(lookup.tag.isEmpty());
            EXPECT_TRUE(lookup.picture.isEmpty());
        }
    }
    EXPECT_EQ(GlyphCatalogue::Lookup(QChar(0xD83D), 1).kind, GlyphKind::NoEntry);
    // Neither is there any style but 1 and 2.
    for (int style : {0, 3, -1, 10})
        EXPECT_EQ(GlyphCatalogue::Lookup(QChar(u'a'), style).kind, GlyphKind::NoEntry) << style;
}

TEST(GlyphCatalogue, StylesDifferOnlyInTheirDigit) {
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        const QChar key = QChar::fromLatin1(letter);
        const GlyphLookup one = GlyphCatalogue::Lookup(key, 1);
        const GlyphLookup two = GlyphCatalogue::Lookup(key, 2);
        const QString tail = QStringLiteral("/%1.gif'>").arg(key);
        ASSERT_TRUE(one.tag.endsWith("/1" + tail)) << letter;
        QString swapped = one.tag;
        swapped.replace(swapped.size() - tail.size() - 1, 1, u'2');
        EXPECT_EQ(swapped, two.tag);
        QString folder = one.picture;
        folder[1] = u'2';
        EXPECT_EQ(folder, two.picture);
    }
}
