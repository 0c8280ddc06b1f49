#pragma once

#include <QString>
#include <functional>

namespace gui {

// Runs one event handler. Whatever escapes it is caught here and reported to
// the user in a message box that names the handler and what failed; the
// program goes on. Nothing ever crosses the event loop.
void Dispatch(const QString& handlerName, const std::function<void()>& handler);

// The report of an uncaught failure: handler name and message. The default
// shows a modal message box; tests install a recorder.
using ErrorReporter = std::function<void(const QString& handler, const QString& message)>;
void SetErrorReporter(ErrorReporter reporter);  // empty: the message box

}  // namespace gui
