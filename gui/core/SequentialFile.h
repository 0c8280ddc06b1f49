#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <utility>

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

// A folder of the user's own, held open: what is made and written in it
// lands in that very folder, even when its path is changed under it. Every
// failure raises RuntimeError naming the folder or file and the reason.
class PrivateFolder {
public:
    // The folder at path, made private with any missing above it. Links on
    // the way are followed, as the path is the user's own choice.
    static PrivateFolder Open(const QString& path);
    // Its subfolder, made private when it is missing. Refused when it is a
    // symbolic link, no folder, someone else's, or one that group or others
    // may write in, as they could then put something else in its place.
    PrivateFolder Sub(const QString& name) const;
    // A new private subfolder, named after pattern with its XXXXXX made a
    // random name.
    PrivateFolder MakeNew(const QString& pattern) const;
    // Writes bytes as a new file in it and returns its path; a failure
    // leaves no file.
    QString WriteNewFile(const QString& name, const QByteArray& bytes) const;
    // Removes an empty subfolder, when it can.
    void RemoveEmptyFolder(const QString& name) const;

    const QString& Path() const { return path_; }

    PrivateFolder(PrivateFolder&& other) noexcept;
    PrivateFolder& operator=(PrivateFolder&&) = delete;
    ~PrivateFolder();

private:
    PrivateFolder(int fd, QString path) : fd_(fd), path_(std::move(path)) {}
    static PrivateFolder OpenAt(int at, const QString& name, const QString& path);
    QString Child(const QString& name) const;

    int fd_;
    QString path_;
};

}  // namespace runtime
