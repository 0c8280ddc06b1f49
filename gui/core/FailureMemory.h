#pragma once

#include <QString>

#include "RuntimeError.h"

namespace runtime {

// Which failures the user has been told of. A failure that recurs on every
// event (scrap.htm in a folder that cannot be written, rewritten on every
// keystroke) is told once; it is told again once a handler that met it has
// run to its end in between (so every operation it tried has worked), or
// when it fails differently (another operation or reason). Dispatch keeps
// this record for every handler; no operation notes its own outcome.

// Whether the user is to be told of this failure, met in the named handler,
// now; remembers it as told.
bool IsNewFailure(const QString& handler, const RuntimeError& error);

// The handler has run to its end: the failures it met are told again.
void NoteHandlerSucceeded(const QString& handler);

// Forgets every failure told so far.
void ForgetFailures();

}  // namespace runtime
