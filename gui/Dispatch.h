#pragma once

#include <QString>
#include <functional>

namespace gui {

// Runs one event handler. Whatever escapes it is caught here and reported to
// the user in a message box that names the handler and what failed; the
// program goes on. Nothing ever crosses the event loop. A runtime failure
// that was reported already is not reported again until the operation has
// worked in between or fails differently (gui/core/FailureMemory.h): the
// handler running to its end is what counts as having worked.
// A command the user pressed (a button's click) has each of its failures
// reported: the press asked for it, and a silent one would look like nothing
// happened. The report goes to Services::reportFailure (gui/Services.h).
enum class Repeated { ReportOnce, ReportEvery };
void Dispatch(const QString& handlerName, const std::function<void()>& handler,
              Repeated repeated = Repeated::ReportOnce);

}  // namespace gui
