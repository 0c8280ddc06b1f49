#pragma once

#include <QString>
#include <array>
#include <optional>

#include "ScrapView.h"

inline constexpr int SlotCount = 45;
inline constexpr int ComposeLimit = 26;
// The input box takes at most this many characters.
inline constexpr int InputBoxLimit = 20;

// Style: 1, 2, or 0 when neither style button is selected.
inline constexpr int NoStyle = 0;

struct ScrapComposition {
    std::optional<QString> CounterText;
    // Entry i is empty or a picture path relative to AppDir ("\1\a.gif").
    std::optional<std::array<QString, SlotCount>> SlotPictures;
    // Entry i is the letter whose picture SlotPictures[i] is, or null.
    std::array<QChar, SlotCount> SlotLetters{};
    QString Scrap;
};

// The style the view's buttons select, or NoStyle.
int SelectedStyle(const ScrapView& view);

// Pure: reads only the glyph catalogue.
ScrapComposition ComposeScrap(const QString& text, int style);

// Reads the window through the view, composes, applies the result in order
// and writes scrap.htm. Failures (runtime::RuntimeError) are not caught here.
void RecomposeScrap(ScrapView& view);

// Writes "scrap.htm" in the current working directory: the text and CR LF.
void WriteScrapFile(const QString& text);
