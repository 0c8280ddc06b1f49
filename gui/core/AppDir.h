#pragma once

#include <QString>

namespace runtime {

// The directory that holds the executable, without a trailing separator.
// Tests may point it elsewhere with SetAppDir.
QString AppDir();
void SetAppDir(const QString& dir);

// AppDir followed by a path written with backslashes ("\1\a.gif"), joined
// by plain concatenation; the backslashes of the relative part become '/'.
QString AppPath(const QString& relative);

// The process's working directory, as an absolute path that names it again.
// Empty, with why in *problem, when it cannot be named: it was removed, its
// path is too long to read back, or it is not valid UTF-8.
QString WorkingDirectory(QString* problem);

}  // namespace runtime
