#pragma once

#include <QList>
#include <QMetaProperty>
#include <QString>
#include <memory>

#include "gui/automation/ProgIds.h"
#include "gui/automation/Variant.h"

class QDBusInterface;

namespace gui {

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
