#pragma once

#include <QDBusConnection>

#include "gui/automation/ProgIds.h"

namespace gui {

// Starts the server of a ProgID, detached: in a session of its own, with
// standard input from /dev/null and its output in a log file under
// XDG_RUNTIME_DIR (or nowhere). Returns once the server holds its name on
// the bus. Throws RuntimeError when the program is missing, cannot start,
// ends before it takes its name or does not take it in time; a server that
// never took its name is ended, with whatever it started.
void StartServer(const ProgIdEntry& entry, const QDBusConnection& bus);

// The program file of an entry: absolute, or in AppDir.
QString ServerProgram(const ProgIdEntry& entry);

}  // namespace gui
