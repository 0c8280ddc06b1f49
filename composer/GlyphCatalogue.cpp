#include "composer/GlyphCatalogue.h"

#include "urls/Urls.h"

namespace {

bool IsLetterKey(QChar character) {
    return character >= u'a' && character <= u'z';
}

// "\1\a.gif": the style folder beside the executable, then the letter.
QString PicturePath(const QString& digit, const QString& letter) {
    return QStringLiteral("\\") + digit + QStringLiteral("\\") + letter + QStringLiteral(".gif");
}

// "<img src='<GlyphBaseUrl>/1/a.gif'>": the same picture on the glyph server.
QString ImageTag(const QString& digit, const QString& letter) {
    return QStringLiteral("<img src='") + QLatin1String(GlyphBaseUrl) + QLatin1Char('/') + digit +
           QLatin1Char('/') + letter + QStringLiteral(".gif'>");
}

}  // namespace

GlyphLookup GlyphCatalogue::Lookup(QChar character, int style) {
    // There are only the two styles; any other number would name a picture
    // folder and a server path that do not exist.
    if (style != 1 && style != 2) return {};
    if (character == u' ') return {GlyphKind::LineBreak, QString(), QStringLiteral("<br>")};
    if (!IsLetterKey(character)) return {};
    const QString digit = QString::number(style);
    const QString letter(character);
    return {GlyphKind::Glyph, PicturePath(digit, letter), ImageTag(digit, letter)};
}
