#pragma once

#include <QString>

// An optional record of what the browser was asked and did, one line per
// event: "<ms since the epoch> <object path> <event> <value>". Written only
// when DURURIVE_BROWSER_TRACE names a file; tests and the benchmark read it.
namespace Trace {
void Write(const QString& path, const QString& event, const QString& value = {});
}
