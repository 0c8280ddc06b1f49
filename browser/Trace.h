#pragma once

#include <QLoggingCategory>
#include <QString>

// The browser's record of what it was asked and did, one message per event:
// "<object path> <event> <value>", in the logging category
// "dururive.browser.trace" at info level, off by default
// (QT_LOGGING_RULES="dururive.browser.trace.info=true" shows it on stderr).
Q_DECLARE_LOGGING_CATEGORY(lcBrowserTrace)

namespace Trace {
void Write(const QString& path, const QString& event, const QString& value = {});

// When DURURIVE_BROWSER_TRACE names a file, switches the category on and
// appends its messages to that file as "<ms since the epoch> <message>";
// tests and the benchmark read it. Call first thing in main.
void WriteToFileFromEnvironment();
}  // namespace Trace
