#include "composer/ScrapComposer.h"

#include "composer/GlyphCatalogue.h"
#include "gui/core/AppDir.h"
#include "gui/core/SequentialFile.h"

namespace {

void ShowSlots(ScrapView& view, const std::array<QString, SlotCount>& pictures,
               const std::array<QChar, SlotCount>& letters) {
    for (int slot = 0; slot < SlotCount; ++slot) view.ClearSlot(slot);
    // Each picture is loaded from its file now; a failing load ends the run.
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (!pictures[slot].isEmpty())
            view.ShowSlotPicture(slot, runtime::AppPath(pictures[slot]), letters[slot]);
    }
}

}  // namespace

int SelectedStyle(const ScrapView& view) {
    if (view.Style1Selected()) return 1;
    if (view.Style2Selected()) return 2;
    return NoStyle;
}

// The counter shows how many of the input box's characters are left.
ScrapComposition ComposeScrap(const QString& text, int style) {
    ScrapComposition result;
    const qsizetype length = text.size();
    if (length > ComposeLimit) return result;
    result.CounterText = QString::number(InputBoxLimit - static_cast<int>(length));
    if (style != 1 && style != 2) return result;

    std::array<QString, SlotCount> pictures;
    int cursor = -1;
    for (QChar character : text) {
        ++cursor;
        const QChar key = character.toLower();
        const GlyphLookup glyph = GlyphCatalogue::Lookup(key, style);
        switch (glyph.kind) {
            case GlyphKind::Glyph:
                pictures[cursor] = glyph.picture;
                result.SlotLetters[cursor] = key;
                result.Scrap += glyph.tag;
                break;
            case GlyphKind::LineBreak:
                result.Scrap += glyph.tag;
                break;
            case GlyphKind::NoEntry:
                --cursor;
                break;
        }
    }
    result.SlotPictures = pictures;
    return result;
}

void RecomposeScrap(ScrapView& view) {
    const QString text = view.InputText();
    const int style = SelectedStyle(view);
    const ScrapComposition composition = ComposeScrap(text, style);
    if (composition.CounterText) view.SetCounter(*composition.CounterText);
    if (composition.SlotPictures)
        ShowSlots(view, *composition.SlotPictures, composition.SlotLetters);
    view.SetOutput(composition.Scrap);
    WriteScrapFile(view.Output());
}

void WriteScrapFile(const QString& text) {
    runtime::PrintLineToFile(QStringLiteral("scrap.htm"), text);
}
