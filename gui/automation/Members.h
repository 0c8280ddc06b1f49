#pragma once

#include <QList>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QString>

namespace gui {

// The members of an object on the bus, as the metaobject of a QDBusInterface
// gives them: QtDBus reads them from the object's introspection data. Only
// the object's own members count, not those of the metaobject's superclass.

struct DBusArgument {
    QString name;  // may be empty
    QString type;  // D-Bus signature
};

// By name, ignoring case as automation names do; an exact match wins.
// Invalid when there is none. Signals are not methods here.
QMetaMethod FindMethod(const QMetaObject& object, const QString& name);
QMetaProperty FindProperty(const QMetaObject& object, const QString& name);

// What a call gives the method, in order; its results are not among them.
QList<DBusArgument> InputArguments(const QMetaMethod& method);

// "n" for the short that QtDBus makes of a 16-bit integer; the type's own
// name for one it has no C++ type for.
QString DBusSignature(QMetaType type);

}  // namespace gui
