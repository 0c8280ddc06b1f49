#include "FailureMemory.h"

#include <QHash>
#include <QSet>

namespace runtime {

namespace {

// Only the GUI thread reports.
struct Memory {
    QHash<QString, QString> told;            // subject -> the message last told
    QHash<QString, QSet<QString>> subjects;  // handler -> the subjects it failed on
};

Memory& Remembered() {
    static Memory memory;
    return memory;
}

}  // namespace

bool IsNewFailure(const QString& handler, const RuntimeError& error) {
    Memory& memory = Remembered();
    memory.subjects[handler].insert(error.Subject());
    const QString message = error.Message();
    auto found = memory.told.find(error.Subject());
    if (found != memory.told.end() && *found == message) return false;
    memory.told.insert(error.Subject(), message);
    return true;
}

void NoteHandlerSucceeded(const QString& handler) {
    Memory& memory = Remembered();
    if (memory.subjects.isEmpty()) return;
    for (const QString& subject : memory.subjects.take(handler)) memory.told.remove(subject);
}

void ForgetFailures() {
    Remembered() = Memory{};
}

}  // namespace runtime
