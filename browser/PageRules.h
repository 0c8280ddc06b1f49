#pragma once

#include <QString>

// Why the browser will not open the local file at path as a page: it is a
// symbolic link, not a regular file, or another user's. Empty when it may,
// and when there is nothing at path: the engine then shows its own page for
// a missing file.
QString LocalPageRefusal(const QString& path);
