#include "SequentialFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "RuntimeError.h"

namespace runtime {

namespace {

const QString OpenOperation = QStringLiteral("Open for output");
const QString WriteOperation = QStringLiteral("Write");
const QString CreateFolderOperation = QStringLiteral("Create folder");
const QString OpenFolderOperation = QStringLiteral("Open folder");

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    // Closes now; the error of close() counts, as a late write error shows there.
    int Close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

enum class Kind { File, Folder };

// Why what stands somewhere is not one the runtime may write to or in: a
// regular file of the user's, or a folder of the user's that no one else
// may write in. Empty when it is one.
QString Refusal(const struct stat& status, Kind kind = Kind::File) {
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("it is a symbolic link, and a link is never followed");
    if (kind == Kind::Folder && !S_ISDIR(status.st_mode)) return QStringLiteral("it is no folder");
    if (kind == Kind::File && S_ISDIR(status.st_mode))
        return QStringLiteral("it is a directory, not a regular file");
    if (kind == Kind::File && !S_ISREG(status.st_mode))
        return QStringLiteral("it is not a regular file (a FIFO, socket or device)");
    if (status.st_uid != ::geteuid()) {
        return QStringLiteral("it belongs to another user (uid %1), not to this one (uid %2)")
            .arg(status.st_uid)
            .arg(::geteuid());
    }
    if (kind == Kind::Folder && (status.st_mode & (S_IWGRP | S_IWOTH))) {
        return QStringLiteral("group or others may write in it (mode %1)")
            .arg(status.st_mode & 07777, 3, 8, QLatin1Char('0'));
    }
    return {};
}

// Writes all of line; false with errno set when it could not.
bool WriteAll(int fd, const QByteArray& line) {
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t written = ::write(fd, line.constData() + done, size_t(line.size() - done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        done += written;
    }
    return true;
}

// A new file beside the target, readable and writable as the umask allows,
// or -1 with errno set.
int CreateBeside(const QString& fileName, QByteArray* temporary) {
    const QFileInfo target(fileName);
    for (int attempt = 0; attempt < 16; ++attempt) {
        *temporary = QFile::encodeName(
            QStringLiteral("%1/.%2.%3")
                .arg(target.path(), target.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        const int fd = ::open(temporary->constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The name CreateBeside gives a new file beside fileName, as a pattern.
QRegularExpression TemporaryName(const QFileInfo& target) {
    return QRegularExpression(
        QStringLiteral("^\\.%1\\.[0-9a-f]{8}$").arg(QRegularExpression::escape(target.fileName())));
}

// A program killed while it wrote leaves its new file behind. Those of this
// user, named as CreateBeside names them and older than a minute (no write
// takes that long), are removed, once a run for each file.
void RemoveStaleTemporaries(const QString& fileName) {
    static QSet<QString> cleaned;
    const QFileInfo target(fileName);
    if (cleaned.contains(target.absoluteFilePath())) return;
    cleaned.insert(target.absoluteFilePath());
    const QRegularExpression pattern = TemporaryName(target);
    const time_t minuteAgo = ::time(nullptr) - 60;
    const QDir folder = target.absoluteDir();
    for (const QString& name :
         folder.entryList({QLatin1Char('.') + target.fileName() + QStringLiteral(".*")},
                          QDir::Files | QDir::Hidden | QDir::System)) {
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        struct stat status {};
        if (pattern.match(name).hasMatch() && ::lstat(path.constData(), &status) == 0 &&
            S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
            status.st_mtime < minuteAgo) {
            ::unlink(path.constData());
        }
    }
}

// The file is the user's own and the folder takes no new file: it is cut and
// rewritten, through a descriptor that is checked to hold such a file still.
void RewriteInPlace(const QString& fileName, const QByteArray& line) {
    Descriptor file(::open(QFile::encodeName(fileName).constData(),
                           O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0) throw RuntimeError(OpenOperation, fileName, SystemReason(errno));
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        throw RuntimeError(OpenOperation, fileName, SystemReason(errno));
    if (const QString refusal = Refusal(status); !refusal.isEmpty())
        throw RuntimeError(OpenOperation, fileName, refusal);
    if (::ftruncate(file.Get(), 0) != 0 || !WriteAll(file.Get(), line) || file.Close() != 0) {
        throw RuntimeError(WriteOperation, fileName, SystemReason(errno));
    }
}

// Writes the line into a new file beside the target, with the target's mode
// when it exists, and renames it over the target. False when the folder
// takes no new file but the user's own file is there to be rewritten.
bool ReplaceFromBeside(const QString& fileName, const QByteArray& line,
                       const OwnFileCheck& existing) {
    QByteArray temporary;
    Descriptor file(CreateBeside(fileName, &temporary));
    if (file.Get() < 0) {
        const int error = errno;
        if (existing.exists && (error == EACCES || error == EPERM)) return false;
        throw RuntimeError(OpenOperation, fileName, SystemReason(error));
    }
    const QByteArray path = QFile::encodeName(fileName);
    if ((existing.exists && ::fchmod(file.Get(), existing.mode) != 0) ||
        !WriteAll(file.Get(), line) || file.Close() != 0 ||
        ::rename(temporary.constData(), path.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        throw RuntimeError(WriteOperation, fileName, SystemReason(error));
    }
    return true;
}

}  // namespace

OwnFileCheck CheckOwnFile(const QString& path) {
    OwnFileCheck check;
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        const int error = errno;
        check.exists = error != ENOENT;
        if (check.exists) check.refusal = SystemReason(error);
        return check;
    }
    check.exists = true;
    check.mode = status.st_mode & 07777;
    check.refusal = Refusal(status);
    return check;
}

namespace {

// What stands at the path may be replaced: nothing, or a writable regular
// file of the user.
OwnFileCheck CheckReplaceable(const QString& fileName) {
    const OwnFileCheck existing = CheckOwnFile(fileName);
    if (!existing.refusal.isEmpty()) throw RuntimeError(OpenOperation, fileName, existing.refusal);
    // A new file would replace a read-only one as if it were writable.
    if (existing.exists && !(existing.mode & S_IWUSR)) {
        throw RuntimeError(OpenOperation, fileName, QStringLiteral("the file is read-only"));
    }
    return existing;
}

}  // namespace

void PrintLineToFile(const QString& fileName, const QString& text) {
    // One byte per character, as the ANSI code page writes it; characters
    // that have no byte become '?'.
    QByteArray line = text.toLatin1();
    line.append("\r\n", 2);

    const OwnFileCheck existing = CheckReplaceable(fileName);
    RemoveStaleTemporaries(fileName);
    if (!ReplaceFromBeside(fileName, line, existing)) RewriteInPlace(fileName, line);
}

void WriteWholeFile(const QString& fileName, const QByteArray& bytes) {
    const OwnFileCheck existing = CheckReplaceable(fileName);
    if (!ReplaceFromBeside(fileName, bytes, existing)) {
        throw RuntimeError(
            OpenOperation, fileName,
            QStringLiteral("the folder takes no new file (%1)").arg(SystemReason(EACCES)));
    }
}

namespace {

// The folder and any missing above it, each private to the user.
void MakeFolders(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) == 0 || errno == EEXIST) return;
    const int error = errno;
    const QString parent = QFileInfo(folder).path();
    if (error != ENOENT || parent == folder)
        throw RuntimeError(CreateFolderOperation, folder, SystemReason(error));
    MakeFolders(parent);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        throw RuntimeError(CreateFolderOperation, folder, SystemReason(errno));
}

QString RandomName(QString pattern) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const qsizetype at = pattern.lastIndexOf(QStringLiteral("XXXXXX"));
    for (qsizetype i = at; at >= 0 && i < at + 6; ++i)
        pattern[i] = QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return pattern;
}

}  // namespace

PrivateFolder PrivateFolder::Open(const QString& path) {
    MakeFolders(path);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw RuntimeError(OpenFolderOperation, path, SystemReason(errno));
    return PrivateFolder(fd, path);
}

// Opened without following a link, and checked on the opened folder, so that
// what is checked is what is used.
PrivateFolder PrivateFolder::OpenAt(int at, const QString& name, const QString& path) {
    const QByteArray entry = QFile::encodeName(name);
    Descriptor folder(
        ::openat(at, entry.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (folder.Get() < 0) {
        const int error = errno;
        // A link or a file says what it is rather than "Not a directory".
        if (::fstatat(at, entry.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
            if (const QString refusal = Refusal(status, Kind::Folder); !refusal.isEmpty())
                throw RuntimeError(OpenFolderOperation, path, refusal);
        }
        throw RuntimeError(OpenFolderOperation, path, SystemReason(error));
    }
    if (::fstat(folder.Get(), &status) != 0)
        throw RuntimeError(OpenFolderOperation, path, SystemReason(errno));
    if (const QString refusal = Refusal(status, Kind::Folder); !refusal.isEmpty())
        throw RuntimeError(OpenFolderOperation, path, refusal);
    return PrivateFolder(folder.Release(), path);
}

PrivateFolder PrivateFolder::Sub(const QString& name) const {
    if (::mkdirat(fd_, QFile::encodeName(name).constData(), 0700) != 0 && errno != EEXIST)
        throw RuntimeError(CreateFolderOperation, Child(name), SystemReason(errno));
    return OpenAt(fd_, name, Child(name));
}

PrivateFolder PrivateFolder::MakeNew(const QString& pattern) const {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name = RandomName(pattern);
        if (::mkdirat(fd_, QFile::encodeName(name).constData(), 0700) == 0)
            return OpenAt(fd_, name, Child(name));
        if (errno != EEXIST) break;
    }
    throw RuntimeError(CreateFolderOperation, Child(pattern), SystemReason(errno));
}

QString PrivateFolder::WriteNewFile(const QString& name, const QByteArray& bytes) const {
    const QString path = Child(name);
    const QByteArray entry = QFile::encodeName(name);
    Descriptor file(::openat(fd_, entry.constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.Get() < 0) throw RuntimeError(OpenOperation, path, SystemReason(errno));
    if (!WriteAll(file.Get(), bytes) || file.Close() != 0) {
        const int error = errno;
        ::unlinkat(fd_, entry.constData(), 0);
        throw RuntimeError(WriteOperation, path, SystemReason(error));
    }
    return path;
}

void PrivateFolder::RemoveEmptyFolder(const QString& name) const {
    ::unlinkat(fd_, QFile::encodeName(name).constData(), AT_REMOVEDIR);
}

QString PrivateFolder::Child(const QString& name) const {
    return QDir(path_).filePath(name);
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

PrivateFolder::~PrivateFolder() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace runtime
