#pragma once

#include <QString>
#include <functional>

namespace gui {

// Runs one event handler. Whatever escapes it is caught here and reported to
// the user in a message box that names the handler and what failed; the
// program goes on. Nothing ever crosses the event loop. A runtime failure
// that was reported already is not reported again until the operation has
// worked in between or fails differently (gui/core/FailureMemory.h).
// A command the user pressed (a button's click) has each of its failures
// reported: the press asked for it, and a silent one would look like nothing
// happened.
enum class Repeated { ReportOnce, ReportEvery };
void Dispatch(const QString& handlerName, const std::function<void()>& handler,
              Repeated repeated = Repeated::ReportOnce);

// The report of an uncaught failure: handler name and message. The default
// shows a modal message box; tests install a recorder. Installing one forgets
// the failures reported so far.
using ErrorReporter = std::function<void(const QString& handler, const QString& message)>;
void SetErrorReporter(ErrorReporter reporter);  // empty: the message box

}  // namespace gui
