#pragma once

#include <QList>
#include <QString>

#include "gui/automation/Introspection.h"
#include "gui/automation/ProgIds.h"
#include "gui/automation/Variant.h"

namespace gui {

struct NamedArgument {
    QString name;
    Variant value;
};

// A late-bound reference to an object on the session bus. Members are found
// by name at run time in the object's introspection data, arguments by name,
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
    const QString& Path() const { return path_; }
    const ObjectDescription& Description() const { return description_; }

private:
    AutomationObject(ProgIdEntry entry, QString path, ObjectDescription description);

    const DBusProperty& Property(const QString& operation, const QString& name) const;

    ProgIdEntry entry_;
    QString path_;
    ObjectDescription description_;
};

}  // namespace gui
