#include "gui/automation/Members.h"

#include <QDBusMetaType>

namespace gui {

namespace {

// The member at(i) for i from first to end whose name is name, or failing
// that the first whose name differs from it in case only.
template <typename Member, typename At>
Member FindByName(int first, int end, At at, const QString& name) {
    Member folded;
    for (int i = first; i < end; ++i) {
        const Member member = at(i);
        const QString memberName = QString::fromUtf8(member.name());
        if (memberName == name) return member;
        if (!folded.isValid() && memberName.compare(name, Qt::CaseInsensitive) == 0)
            folded = member;
    }
    return folded;
}

}  // namespace

QMetaMethod FindMethod(const QMetaObject& object, const QString& name) {
    const auto method = [&](int i) {
        const QMetaMethod member = object.method(i);
        return member.methodType() == QMetaMethod::Signal ? QMetaMethod() : member;
    };
    return FindByName<QMetaMethod>(object.methodOffset(), object.methodCount(), method, name);
}

QMetaProperty FindProperty(const QMetaObject& object, const QString& name) {
    const auto property = [&](int i) { return object.property(i); };
    return FindByName<QMetaProperty>(object.propertyOffset(), object.propertyCount(), property,
                                     name);
}

QList<DBusArgument> InputArguments(const QMetaMethod& method) {
    QList<DBusArgument> arguments;
    const QList<QByteArray> names = method.parameterNames();
    for (int i = 0; i < method.parameterCount(); ++i) {
        // QtDBus makes the first result the return value and any further
        // ones references after the inputs.
        if (method.parameterTypeName(i).endsWith('&')) break;
        arguments.append(
            {QString::fromUtf8(names.value(i)), DBusSignature(method.parameterMetaType(i))});
    }
    return arguments;
}

QString DBusSignature(QMetaType type) {
    if (const char* signature = QDBusMetaType::typeToSignature(type))
        return QString::fromLatin1(signature);
    return QString::fromLatin1(type.name());
}

}  // namespace gui
