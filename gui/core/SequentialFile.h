#pragma once

#include <sys/types.h>

#include <QString>

namespace runtime {

// What stands at a path, the path itself and not what a link points to.
struct OwnFileCheck {
    bool exists = false;
    mode_t mode = 0;  // permission bits, when it exists
    // Why it is not a regular file of the user (a link, a FIFO, a directory,
    // someone else's file); empty when it is one or does not exist.
    QString refusal;
};
OwnFileCheck CheckOwnFile(const QString& path);

// Sequential file output: print one line (the text, one byte per character,
// then CR LF) as the whole new content of a file. A bare name lies in the
// current working directory.
//
// Only a regular file of the user is ever written, never what a link points
// to. The line goes into a new file beside it that then takes its name and
// mode, so that a failure while writing leaves the previous content whole;
// only where the folder takes no new file is the file rewritten in place.
// A read-only file is not replaced. Every failure raises RuntimeError naming
// the file, the operation and the reason.
void PrintLineToFile(const QString& fileName, const QString& text);

// Writes bytes as the whole new content of a regular file of the user, with
// the same checks, always into a new file beside it that then takes its
// name: a failure leaves no partial file and the file it was to replace as
// it was. Raises RuntimeError naming the file, the operation and the reason.
void WriteWholeFile(const QString& fileName, const QByteArray& bytes);

}  // namespace runtime
