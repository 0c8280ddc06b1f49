#include <gtest/gtest.h>

#include "composer/ScrapComposer.h"
#include "composer/Urls.h"

namespace {

QString Tag(int style, char letter) {
    return QStringLiteral("<img src='%1/%2/%3.gif'>")
        .arg(QString::fromLatin1(GlyphBaseUrl))
        .arg(style)
        .arg(QChar::fromLatin1(letter));
}

QString Picture(int style, char letter) {
    return QStringLiteral("\\%1\\%2.gif").arg(style).arg(QChar::fromLatin1(letter));
}

// The slots as one string: the letter a slot shows, or '.' for an empty one.
QString SlotLetters(const ScrapComposition& c) {
    QString letters;
    for (const QString& p : *c.SlotPictures) letters += p.isEmpty() ? QChar(u'.') : p.at(3);
    return letters;
}

}  // namespace

TEST(ComposeScrap, EmptyTextComposesNothingButTheCounter) {
    const ScrapComposition c = ComposeScrap(QString(), 1);
    EXPECT_EQ(c.CounterText, "20");
    ASSERT_TRUE(c.SlotPictures);
    EXPECT_EQ(SlotLetters(c), QString(45, u'.'));
    EXPECT_TRUE(c.Scrap.isEmpty());
}

TEST(ComposeScrap, LettersSpacesAndSkippedCharactersInBothStyles) {
    for (int style = 1; style <= 2; ++style) {
        const ScrapComposition c = ComposeScrap(QStringLiteral("Hi 2u"), style);
        EXPECT_EQ(c.CounterText, "15");
        EXPECT_EQ(SlotLetters(c), "hi.u" + QString(41, u'.'));
        EXPECT_EQ((*c.SlotPictures)[0], Picture(style, 'h'));
        EXPECT_EQ((*c.SlotPictures)[3], Picture(style, 'u'));
        EXPECT_EQ(c.Scrap, Tag(style, 'h') + Tag(style, 'i') + "<br>" + Tag(style, 'u'));
    }
    // A skipped character gives its slot to the next letter.
    EXPECT_EQ(SlotLetters(ComposeScrap(QStringLiteral("a.b"), 1)).left(3), "ab.");
    // Leading, trailing and repeated spaces each leave a slot and a <br>.
    const ScrapComposition spaces = ComposeScrap(QStringLiteral(" a  b "), 2);
    EXPECT_EQ(SlotLetters(spaces).left(7), ".a..b..");
    EXPECT_EQ(spaces.Scrap, "<br>" + Tag(2, 'a') + "<br><br>" + Tag(2, 'b') + "<br>");
}

TEST(ComposeScrap, CapitalsComposeAsSmallLetters) {
    const ScrapComposition capitals = ComposeScrap(QStringLiteral("ABC"), 1);
    const ScrapComposition small = ComposeScrap(QStringLiteral("abc"), 1);
    EXPECT_EQ(capitals.Scrap, small.Scrap);
    EXPECT_EQ(*capitals.SlotPictures, *small.SlotPictures);
    EXPECT_EQ(capitals.Scrap, Tag(1, 'a') + Tag(1, 'b') + Tag(1, 'c'));
}

TEST(ComposeScrap, NonAsciiLettersAndSurrogatesTakeNoSlotButCount) {
    // U+00C4 lower-cases to U+00E4, which has no glyph; U+0130 (capital I with
    // dot) stays outside a to z as well.
    const ScrapComposition c = ComposeScrap(QStringLiteral("\u00c4x\u00e9\u0130y\t!"), 1);
    EXPECT_EQ(c.CounterText, "13");
    EXPECT_EQ(SlotLetters(c).left(3), "xy.");
    EXPECT_EQ(c.Scrap, Tag(1, 'x') + Tag(1, 'y'));
    // A character outside the BMP is two code units and counts as two.
    const ScrapComposition emoji = ComposeScrap(QString::fromUtf8("a\xF0\x9F\x98\x80" "b"), 2);
    EXPECT_EQ(emoji.CounterText, "16");
    EXPECT_EQ(SlotLetters(emoji).left(3), "ab.");
}

TEST(ComposeScrap, LengthLimits) {
    const ScrapComposition twenty = ComposeScrap(QString(20, u'z'), 1);
    EXPECT_EQ(twenty.CounterText, "0");
    EXPECT_EQ(SlotLetters(twenty), QString(20, u'z') + QString(25, u'.'));

    for (int n = 21; n <= 26; ++n) {
        const ScrapComposition c = ComposeScrap(QString(n, u'q'), 2);
        EXPECT_EQ(c.CounterText, QString::number(20 - n));
        EXPECT_EQ(SlotLetters(c), QString(n, u'q') + QString(45 - n, u'.'));
        EXPECT_EQ(c.Scrap, Tag(2, 'q').repeated(n));
    }
    for (int n : {27, 28, 100}) {
        const ScrapComposition c = ComposeScrap(QString(n, u'q'), 1);
        EXPECT_FALSE(c.CounterText);
        EXPECT_FALSE(c.SlotPictures);
        EXPECT_TRUE(c.Scrap.isEmpty());
    }
}

TEST(ComposeScrap, NoStyleUpdatesOnlyTheCounter) {
    const ScrapComposition c = ComposeScrap(QStringLiteral("hello"), NoStyle);
    EXPECT_EQ(c.CounterText, "15");
    EXPECT_FALSE(c.SlotPictures);
    EXPECT_TRUE(c.Scrap.isEmpty());
}
