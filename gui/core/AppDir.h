#pragma once

#include <QString>

namespace runtime {

// The directory that holds the executable, without a trailing separator.
// Tests may point it elsewhere: SetAppDir for the whole run, a ScopedAppDir
// for a while (the folder before it comes back when it ends).
QString AppDir();
void SetAppDir(const QString& dir);

class ScopedAppDir {
public:
    explicit ScopedAppDir(const QString& dir);
    ~ScopedAppDir();
    ScopedAppDir(const ScopedAppDir&) = delete;
    ScopedAppDir& operator=(const ScopedAppDir&) = delete;

private:
    QString previous_;
};

// AppDir followed by a path written with backslashes ("\1\a.gif"), joined
// by plain concatenation; the backslashes of the relative part become '/'.
QString AppPath(const QString& relative);

// The process's working directory, as an absolute path that names it again.
// Empty, with why in *problem, when it cannot be named: it was removed, its
// path is too long to read back, or it is not valid UTF-8.
QString WorkingDirectory(QString* problem);

}  // namespace runtime
