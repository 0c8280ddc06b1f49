#pragma once

#include <QByteArray>
#include <QString>

// Copies of the scrap's GIF for the clipboard and for drags. Each is a file
// named after the text, in a new folder of its own that only the user can
// enter, under <cache>/dururive/copies (<cache> is $XDG_CACHE_HOME, or
// ~/.cache). A copy stays after the program ends, as what was copied may be
// pasted later; the next start removes copies older than a day.
struct GifCopy {
    QString file;
    QByteArray bytes;
};

// The folder that holds the copies' folders.
QString GifCopiesFolder();

// Composes the text's GIF and writes the copy. The folders dururive and
// copies must be the user's own, real folders that no one else may write in,
// or the copy is refused. Raises runtime::RuntimeError naming the folder or
// file and the reason; a failure leaves no copy behind.
GifCopy WriteGifCopy(const QString& text, int style);

// Removes the user's copy folders that have not changed for a day. One that
// cannot be removed is left as it is.
void RemoveOldGifCopies();
