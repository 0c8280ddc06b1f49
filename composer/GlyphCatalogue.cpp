#include "composer/GlyphCatalogue.h"

#include "composer/Urls.h"

namespace {

constexpr char16_t Keys[] = u"abcdefghijklmnopqrstuvwxyz ";

QString StyleDigit(int style) { return QString::number(style); }

}  // namespace

GlyphLookup GlyphCatalogue::Lookup(QChar character, int style) {
    for (char16_t key : Keys) {
        if (key == 0) break;
        if (character.unicode() != key) continue;
        if (key == u' ') return {GlyphKind::LineBreak, QString(), QStringLiteral("<br>")};
        const QString letter(QChar{key});
        const QString digit = StyleDigit(style);
        return {GlyphKind::Glyph,
                QStringLiteral("\\") + digit + QStringLiteral("\\") + letter + QStringLiteral(".gif"),
                QStringLiteral("<img src='") + QLatin1String(GlyphBaseUrl) + QLatin1Char('/') + digit +
                    QLatin1Char('/') + letter + QStringLiteral(".gif'>")};
    }
    return {};
}
