#include "SequentialFile.h"

#include <QFile>

#include "FailureMemory.h"
#include "RuntimeError.h"

namespace gui {

void PrintLineToFile(const QString& fileName, const QString& text) {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw RuntimeError(QStringLiteral("Open for output"), fileName, file.errorString());
    }
    // One byte per character, as the ANSI code page writes it; characters
    // that have no byte become '?'.
    QByteArray line = text.toLatin1();
    line.append("\r\n", 2);
    if (file.write(line) != line.size() || !file.flush()) {
        throw RuntimeError(QStringLiteral("Write"), fileName, file.errorString());
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        throw RuntimeError(QStringLiteral("Close"), fileName, file.errorString());
    }
    NoteSuccess(fileName);
}

}  // namespace gui
