#include "ProcessStatus.h"

#include <QFile>
#include <QList>

namespace runtime {

ProcessStatus ReadProcessStatus(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) return {};
    const QByteArray text = stat.readAll();
    // pid (comm) state ppid pgrp session ...; comm may hold blanks and ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 4 || fields[0].isEmpty()) return {};
    return {fields[0][0], fields[3].toLongLong()};
}

bool IsRunning(qint64 pid) {
    const char state = ReadProcessStatus(pid).state;
    return state != 'Z' && state != 'X';
}

}  // namespace runtime
