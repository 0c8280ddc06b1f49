#pragma once

#include <QString>

namespace gui {

// The directory that holds the executable, without a trailing separator.
// Tests may point it elsewhere with SetAppDir.
QString AppDir();
void SetAppDir(const QString& dir);

// AppDir followed by a path written with backslashes ("\1\a.gif"), joined
// by plain concatenation; the backslashes of the relative part become '/'.
QString AppPath(const QString& relative);

}  // namespace gui
