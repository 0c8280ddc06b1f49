#pragma once

#include <QByteArray>
#include <QString>

#include "composer/GifFile.h"

// The scrap as one animated GIF: the letters' pictures of each word side by
// side, a space starting a new line, laid out as a browser shows the scrap
// (no margin, lines of pictures edge to edge) and animating in step. The
// pictures are read from the style folders beside the program (AppDir).

// The file name a GIF of the text goes by: its letters and spaces, as in
// "hello yarvo.gif", or "scrap.gif" when it has none.
QString ScrapGifName(const QString& text);

// Whether the text has a letter that becomes a picture in the style.
bool ScrapHasLetter(const QString& text, int style);

// Raises runtime::RuntimeError when the text has no letter or a glyph picture
// cannot be read.
GifAnimation ComposeScrapGif(const QString& text, int style);

// The composition encoded as a GIF89a file's bytes.
QByteArray EncodeScrapGif(const QString& text, int style);

// Writes the GIF to fileName: into a new file beside it that then takes its
// name, so that a failure leaves no partial file and the file it was to
// replace whole. Raises runtime::RuntimeError naming the file and the reason.
void SaveScrapGif(const QString& fileName, const QString& text, int style);
