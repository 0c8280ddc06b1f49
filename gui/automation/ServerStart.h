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

// Ends the server that holds the entry's name on the bus and did not answer
// a call in time, with whatever it started, when it is the entry's program
// run by this user and leads its own process group, as StartServer leaves
// it; anything else is left alone. True when it was ended.
bool EndUnansweringServer(const ProgIdEntry& entry, const QDBusConnection& bus);

// The program file of an entry: absolute, or in AppDir.
QString ServerProgram(const ProgIdEntry& entry);

}  // namespace gui
