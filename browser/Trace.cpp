#include "browser/Trace.h"

#include <QDateTime>
#include <QFile>

namespace Trace {

void Write(const QString& path, const QString& event, const QString& value) {
    static const QString file = qEnvironmentVariable("DURURIVE_BROWSER_TRACE");
    if (file.isEmpty()) return;
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    const QString line = QStringLiteral("%1 %2 %3 %4\n")
                             .arg(QDateTime::currentMSecsSinceEpoch())
                             .arg(path, event, value);
    out.write(line.toUtf8());
}

}  // namespace Trace
