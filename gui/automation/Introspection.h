#pragma once

#include <QList>
#include <QString>

namespace gui {

// The members of a D-Bus object as its introspection data states them.
struct DBusArgument {
    QString name;  // may be empty
    QString type;
    bool in = true;
};

struct DBusMethod {
    QString interface;
    QString name;
    QList<DBusArgument> arguments;
};

struct DBusProperty {
    QString interface;
    QString name;
    QString type;
    bool readable = false;
    bool writable = false;
};

struct ObjectDescription {
    QList<DBusMethod> methods;
    QList<DBusProperty> properties;

    // By name, ignoring case as automation names do; an exact match wins.
    const DBusMethod* FindMethod(const QString& name) const;
    const DBusProperty* FindProperty(const QString& name) const;
};

// Reads an org.freedesktop.DBus.Introspectable document. The bus's own
// interfaces (org.freedesktop.DBus.*) are left out. False, with the reason,
// for a document that is not well formed.
bool ParseIntrospection(const QString& xml, ObjectDescription* description, QString* error);

}  // namespace gui
