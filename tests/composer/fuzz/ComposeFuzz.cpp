// Feeds arbitrary UTF-16 text and a style to ComposeScrap and checks what
// must hold for every input. The scrap is taken apart by its own grammar
// here, not by asking the catalogue, so a wrong tag cannot hide behind the
// code that made it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "composer/ScrapComposer.h"
#include "urls/Urls.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// One piece of the scrap: a letter a to z, or ' ' for a line break.
using Pieces = std::vector<char16_t>;

// Splits the scrap into "<br>" and "<img src='<base>/<style>/<letter>.gif'>",
// with nothing else allowed anywhere.
Pieces ParseScrap(const QString& scrap, int style) {
    const QString head = QStringLiteral("<img src='") + QLatin1String(GlyphBaseUrl) +
                         QLatin1Char('/') + QString::number(style) + QLatin1Char('/');
    const QString tail = QStringLiteral(".gif'>");
    Pieces pieces;
    qsizetype at = 0;
    while (at < scrap.size()) {
        if (QStringView(scrap).mid(at).startsWith(u"<br>")) {
            pieces.push_back(u' ');
            at += 4;
            continue;
        }
        Check(QStringView(scrap).mid(at).startsWith(head), "scrap holds only image tags and <br>");
        at += head.size();
        Check(at < scrap.size(), "image tag cut short");
        const char16_t letter = scrap.at(at).unicode();
        Check(letter >= u'a' && letter <= u'z', "image tag names a letter a to z");
        ++at;
        Check(QStringView(scrap).mid(at).startsWith(tail), "image tag ends in .gif'>");
        at += tail.size();
        pieces.push_back(letter);
    }
    return pieces;
}

// What the text should give: each character lower-cased on its own, and
// only a to z and the space kept.
Pieces ExpectedPieces(const QString& text) {
    Pieces pieces;
    for (QChar ch : text) {
        const char16_t lower = ch.toLower().unicode();
        if (lower == u' ' || (lower >= u'a' && lower <= u'z')) pieces.push_back(lower);
    }
    return pieces;
}

void CheckSlots(const std::array<QString, SlotCount>& pictures, const Pieces& pieces, int style) {
    Check(pieces.size() <= static_cast<std::size_t>(ComposeLimit), "at most 26 pieces");
    for (int slot = 0; slot < SlotCount; ++slot) {
        const QString& picture = pictures[static_cast<std::size_t>(slot)];
        const bool taken = slot < static_cast<int>(pieces.size()) &&
                           pieces[static_cast<std::size_t>(slot)] != u' ';
        if (!taken) {
            Check(picture.isEmpty(), "slots of spaces and past the last piece stay empty");
            continue;
        }
        const QString expected = QStringLiteral("\\%1\\%2.gif")
                                     .arg(style)
                                     .arg(QChar(pieces[static_cast<std::size_t>(slot)]));
        Check(picture == expected, "slot i shows the (i+1)-th letter or space");
    }
}

void CheckComposition(const QString& text, int style, const ScrapComposition& c) {
    if (text.size() > ComposeLimit) {
        Check(!c.CounterText && !c.SlotPictures && c.Scrap.isEmpty(), "nothing composed past 26");
        return;
    }
    Check(c.CounterText.has_value(), "counter present up to 26");
    bool ok = false;
    const int counter = c.CounterText->toInt(&ok);
    Check(ok && counter == 20 - text.size(), "counter is 20 minus the length");
    Check(*c.CounterText == QString::number(counter), "counter in plain decimal");
    if (style != 1 && style != 2) {
        Check(!c.SlotPictures && c.Scrap.isEmpty(), "no style composes nothing");
        return;
    }
    Check(c.SlotPictures.has_value(), "slots present");
    const Pieces pieces = ParseScrap(c.Scrap, style);
    Check(pieces == ExpectedPieces(text), "scrap follows the text's letters and spaces in order");
    CheckSlots(*c.SlotPictures, pieces, style);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int style = data[0] % 4;  // 0 and 3 are no style
    std::vector<char16_t> units((size - 1) / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[1 + 2 * i] | (data[2 + 2 * i] << 8));
    const QString text(reinterpret_cast<const QChar*>(units.data()),
                       static_cast<qsizetype>(units.size()));
    CheckComposition(text, style, ComposeScrap(text, style));
    return 0;
}
