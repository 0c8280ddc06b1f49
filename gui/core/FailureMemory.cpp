#include "FailureMemory.h"

#include <QHash>

namespace gui {

namespace {

// Subject -> the message last told about it. Only the GUI thread reports.
QHash<QString, QString>& Told() {
    static QHash<QString, QString> told;
    return told;
}

}  // namespace

bool IsNewFailure(const RuntimeError& error) {
    const QString message = error.Message();
    auto found = Told().find(error.Subject());
    if (found != Told().end() && *found == message) return false;
    Told().insert(error.Subject(), message);
    return true;
}

void NoteSuccess(const QString& subject) {
    if (!Told().isEmpty()) Told().remove(subject);
}

void ForgetFailures() {
    Told().clear();
}

}  // namespace gui
