#pragma once

#include <QDeadlineTimer>
#include <QList>
#include <QMetaProperty>
#include <QString>
#include <memory>

#include "gui/automation/ProgIds.h"
#include "gui/automation/Variant.h"

class QDBusInterface;

namespace gui {

// A command that waits on automation objects, such as Preview. While it
// lasts, every automation call of this thread, and the start of a server,
// ends by one deadline; the caller's windows go on painting (user input
// waits until it ends) and, in a GUI, the cursor shows busy. A server that
// holds its name but does not answer by then is ended, when it is the
// entry's program run by this user, so that the next command starts a new
// one. A command run while another waits (a screen reader's press, which
// is no user input) waits within its own deadline.
class AutomationWait {
public:
    explicit AutomationWait(int timeoutMs);
    ~AutomationWait();
    AutomationWait(const AutomationWait&) = delete;
    AutomationWait& operator=(const AutomationWait&) = delete;

    // The wait of this thread's current command; null outside one.
    static const AutomationWait* Current();
    int TimeoutMs() const { return timeoutMs_; }
    const QDeadlineTimer& Deadline() const { return deadline_; }

private:
    int timeoutMs_;
    QDeadlineTimer deadline_;
    const AutomationWait* outer_;
};

struct NamedArgument {
    QString name;
    Variant value;
};

// A late-bound reference to an object on the session bus. Members are found
// by name at run time in the object's interface as QtDBus reads it from the
// object's introspection data (gui/automation/Members.h), arguments by name,
// and values are converted to the member's declared type. Every call waits
// for its answer. Every failure throws RuntimeError naming the member (or the
// ProgID) and the reason. Dropping the reference asks nothing of the object.
// Within an AutomationWait, the calls wait as it says.
class AutomationObject {
public:
    // A new object from the server of progId, started first when it is not
    // on the bus.
    static AutomationObject CreateObject(const QString& progId);

    void PutProperty(const QString& name, const Variant& value);
    Variant GetProperty(const QString& name) const;
    // Every argument of the method is given by name, in any order. Returns
    // its first result, or an empty variant.
    Variant Call(const QString& method, const QList<NamedArgument>& arguments);

    const QString& ProgId() const { return entry_.progId; }
    QString Path() const;
    // The members of the object's interface (entry.objectInterface).
    const QMetaObject& Members() const;

private:
    AutomationObject(ProgIdEntry entry, std::shared_ptr<QDBusInterface> object);

    QMetaProperty Property(const QString& operation, const QString& name) const;

    ProgIdEntry entry_;
    std::shared_ptr<QDBusInterface> object_;  // shared by copies
};

}  // namespace gui
