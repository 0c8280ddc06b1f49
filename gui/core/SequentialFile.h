#pragma once

#include <QString>

namespace gui {

// Sequential file output: open a file for output (created, or cut to empty),
// print one line (the text, one byte per character, then CR LF), close.
// A bare name lies in the current working directory. Every failure raises
// RuntimeError naming the file, the operation and the reason.
void PrintLineToFile(const QString& fileName, const QString& text);

}  // namespace gui
