#include <gtest/gtest.h>

#include "Printers.h"
#include "composer/ScrapComposer.h"
#include "urls/Urls.h"

namespace {

QString Tag(int style, QChar letter) {
    return QStringLiteral("<img src='%1/%2/%3.gif'>")
        .arg(QString::fromLatin1(GlyphBaseUrl))
        .arg(style)
        .arg(letter);
}

QString Picture(int style, QChar letter) {
    return QStringLiteral("\\%1\\%2.gif").arg(style).arg(letter);
}

// The slots as one string: the letter a slot shows, or '.' for an empty
// one. Checks on the way that every picture is of the given style.
QString SlotLetters(const ScrapComposition& c, int style) {
    QString letters;
    if (!c.SlotPictures) return QStringLiteral("<absent>");
    for (const QString& p : *c.SlotPictures) {
        if (p.isEmpty()) {
            letters += u'.';
            continue;
        }
        EXPECT_EQ(p, Picture(style, p.at(3)));
        letters += p.at(3);
    }
    return letters;
}

QString Dots(int n) {
    return QString(n, u'.');
}

}  // namespace

TEST(ComposeScrap, EmptyTextComposesNothingButTheCounter) {
    for (int style = 1; style <= 2; ++style) {
        const ScrapComposition c = ComposeScrap(QString(), style);
        EXPECT_EQ(c.CounterText, "20");
        EXPECT_EQ(SlotLetters(c, style), Dots(45));
        EXPECT_TRUE(c.Scrap.isEmpty());
    }
}

TEST(ComposeScrap, LettersSpacesAndSkippedCharactersInBothStyles) {
    for (int style = 1; style <= 2; ++style) {
        const ScrapComposition c = ComposeScrap(QStringLiteral("Hi 2u"), style);
        EXPECT_EQ(c.CounterText, "15");
        EXPECT_EQ(SlotLetters(c, style), "hi.u" + Dots(41));
        EXPECT_EQ(c.Scrap, Tag(style, u'h') + Tag(style, u'i') + "<br>" + Tag(style, u'u'));
    }
    // A skipped character gives its slot to the next letter.
    const ScrapComposition dotted = ComposeScrap(QStringLiteral("a.b"), 1);
    EXPECT_EQ(SlotLetters(dotted, 1), "ab" + Dots(43));
    EXPECT_EQ(dotted.CounterText, "17");
    EXPECT_EQ(dotted.Scrap, Tag(1, u'a') + Tag(1, u'b'));
    // Leading, trailing and repeated spaces each leave a slot and a <br>.
    const ScrapComposition spaces = ComposeScrap(QStringLiteral(" a  b "), 2);
    EXPECT_EQ(SlotLetters(spaces, 2), ".a..b." + Dots(39));
    EXPECT_EQ(spaces.Scrap, "<br>" + Tag(2, u'a') + "<br><br>" + Tag(2, u'b') + "<br>");
    // Only spaces: line breaks and empty slots, nothing else.
    EXPECT_EQ(ComposeScrap(QStringLiteral("   "), 1).Scrap, "<br><br><br>");
    // Nothing but skipped characters.
    const ScrapComposition skipped = ComposeScrap(QStringLiteral("12\t?"), 1);
    EXPECT_EQ(skipped.CounterText, "16");
    EXPECT_EQ(SlotLetters(skipped, 1), Dots(45));
    EXPECT_TRUE(skipped.Scrap.isEmpty());
}

TEST(ComposeScrap, CapitalsComposeAsSmallLetters) {
    const QString small = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    const ScrapComposition capitals = ComposeScrap(small.toUpper(), 1);
    const ScrapComposition lower = ComposeScrap(small, 1);
    EXPECT_EQ(capitals.Scrap, lower.Scrap);
    EXPECT_EQ(SlotLetters(capitals, 1), small + Dots(19));
    EXPECT_EQ(ComposeScrap(QStringLiteral("ABC"), 2).Scrap,
              Tag(2, u'a') + Tag(2, u'b') + Tag(2, u'c'));
    EXPECT_EQ(ComposeScrap(QStringLiteral("aBc"), 2).Scrap,
              ComposeScrap(QStringLiteral("abc"), 2).Scrap);
}

TEST(ComposeScrap, NonAsciiCharactersFollowQtsLowerCaseMapping) {
    // U+00C4 lower-cases to U+00E4, which has no glyph; U+0130 stays as it is.
    const ScrapComposition c = ComposeScrap(QStringLiteral("\u00c4x\u00e9\u0130y\t!"), 1);
    EXPECT_EQ(c.CounterText, "13");
    EXPECT_EQ(SlotLetters(c, 1), "xy" + Dots(43));
    EXPECT_EQ(c.Scrap, Tag(1, u'x') + Tag(1, u'y'));
    // The Kelvin sign's lower case is the letter k, so it draws a k.
    const ScrapComposition kelvin = ComposeScrap(QStringLiteral("o\u212a"), 2);
    EXPECT_EQ(kelvin.Scrap, Tag(2, u'o') + Tag(2, u'k'));
    // Full-width capitals lower-case to full-width letters: no glyph.
    EXPECT_TRUE(ComposeScrap(QStringLiteral("\uff21"), 1).Scrap.isEmpty());
}

TEST(ComposeScrap, SurrogatePairsCountAsTwoAndTakeNoSlot) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    ASSERT_EQ(emoji.size(), 2);
    const ScrapComposition c = ComposeScrap("a" + emoji + "b", 2);
    EXPECT_EQ(c.CounterText, "16");
    EXPECT_EQ(SlotLetters(c, 2), "ab" + Dots(43));
    // Thirteen of them are 26 code units, still composed; 14 are too many.
    EXPECT_EQ(ComposeScrap(emoji.repeated(13), 1).CounterText, "-6");
    EXPECT_FALSE(ComposeScrap(emoji.repeated(13) + "a", 1).CounterText);
    // A lone high surrogate is skipped like any other character.
    EXPECT_EQ(ComposeScrap(QString(QChar(0xD83D)) + "z", 1).Scrap, Tag(1, u'z'));
}

TEST(ComposeScrap, LengthLimits) {
    const QString twenty = QStringLiteral("abcdefghijklmnopqrst");
    const ScrapComposition full = ComposeScrap(twenty, 1);
    EXPECT_EQ(full.CounterText, "0");
    EXPECT_EQ(SlotLetters(full, 1), twenty + Dots(25));

    // 21 to 26 characters: negative counts, composed into slots up to 25.
    const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    for (int n = 21; n <= 26; ++n) {
        const ScrapComposition c = ComposeScrap(alphabet.left(n), 2);
        EXPECT_EQ(c.CounterText, "-" + QString::number(n - 20));
        EXPECT_EQ(SlotLetters(c, 2), alphabet.left(n) + Dots(45 - n));
        EXPECT_EQ(c.Scrap.count(QStringLiteral("<img")), n);
    }
    // Skipped characters count towards the limit too.
    const ScrapComposition mixed = ComposeScrap(QStringLiteral("a-").repeated(13), 1);
    EXPECT_EQ(mixed.CounterText, "-6");
    EXPECT_EQ(SlotLetters(mixed, 1), QString(13, u'a') + Dots(32));

    for (int n : {27, 28, 100, 10000}) {
        const ScrapComposition c = ComposeScrap(QString(n, u'q'), 1);
        EXPECT_FALSE(c.CounterText) << n;
        EXPECT_FALSE(c.SlotPictures) << n;
        EXPECT_TRUE(c.Scrap.isEmpty()) << n;
    }
}

TEST(ComposeScrap, NoStyleUpdatesOnlyTheCounter) {
    for (int style : {NoStyle, 3, -1}) {
        const ScrapComposition c = ComposeScrap(QStringLiteral("hello"), style);
        EXPECT_EQ(c.CounterText, "15");
        EXPECT_FALSE(c.SlotPictures);
        EXPECT_TRUE(c.Scrap.isEmpty());
    }
    EXPECT_EQ(ComposeScrap(QString(26, u'x'), NoStyle).CounterText, "-6");
    EXPECT_FALSE(ComposeScrap(QString(27, u'x'), NoStyle).CounterText);
}
