#pragma once

#include <QtGlobal>

namespace runtime {

// What /proc says of a process: its state letter and its session, or
// state 'X' and session -1 when there is no such process.
struct ProcessStatus {
    char state = 'X';
    qint64 session = -1;
};
ProcessStatus ReadProcessStatus(qint64 pid);

// A process that has ended but was not reaped yet counts as ended: a
// detached server belongs to init, which may be slow to reap or never reap.
bool IsRunning(qint64 pid);

}  // namespace runtime
