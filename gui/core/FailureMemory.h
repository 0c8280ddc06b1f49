#pragma once

#include <QString>

#include "RuntimeError.h"

namespace gui {

// Which failures the user has been told of. A failure that recurs on every
// event (scrap.htm in a folder that cannot be written, rewritten on every
// keystroke) is told once; it is told again once the operation on the same
// subject has worked in between, or when it fails differently (another
// operation or reason).

// Whether the user is to be told of this failure now; remembers it as told.
bool IsNewFailure(const RuntimeError& error);

// An operation on this subject (a file name, a picture path, "Clipboard", a
// ProgID or member name) has just worked: its next failure is told again.
void NoteSuccess(const QString& subject);

// Forgets every failure told so far.
void ForgetFailures();

}  // namespace gui
