#include "gui/automation/Automation.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QSet>

#include "gui/automation/ServerStart.h"
#include "gui/core/FailureMemory.h"
#include "gui/core/RuntimeError.h"

namespace gui {

namespace {

const QString CreateOperation = QStringLiteral("Create object");
const QString PutOperation = QStringLiteral("Put property");
const QString GetOperation = QStringLiteral("Get property");
const QString CallOperation = QStringLiteral("Call method");

QDBusConnection Bus(const QString& progId) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        throw RuntimeError(
            CreateOperation, progId,
            QStringLiteral("there is no session bus (%1)").arg(bus.lastError().message()));
    }
    return bus;
}

// The request reached no server: no process held the name.
bool NotDelivered(const QDBusError& error) {
    return error.type() == QDBusError::ServiceUnknown ||
           error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

bool ServerGone(const QDBusError& error) {
    return NotDelivered(error) || error.type() == QDBusError::Disconnected;
}

QString NoAnswer(const ProgIdEntry& entry, const QDBusError& error) {
    return QStringLiteral("the server of %1 (%2) did not answer within %3 ms: %4")
        .arg(entry.progId, entry.service)
        .arg(entry.answerTimeoutMs)
        .arg(error.message());
}

// Why a call failed, as the user is told.
QString Reason(const ProgIdEntry& entry, const QDBusError& error) {
    if (error.type() == QDBusError::UnknownObject) {
        return QStringLiteral("the %1 object no longer exists (its window was closed)")
            .arg(entry.progId);
    }
    if (ServerGone(error)) {
        return QStringLiteral("the server of %1 (%2) is no longer running: %3")
            .arg(entry.progId, entry.service, error.message());
    }
    if (error.type() == QDBusError::NoReply) return NoAnswer(entry, error);
    if (error.type() == QDBusError::UnknownMethod || error.type() == QDBusError::UnknownProperty ||
        error.type() == QDBusError::UnknownInterface) {
        return QStringLiteral("the %1 object does not know it: %2")
            .arg(entry.progId, error.message());
    }
    return QStringLiteral("the %1 object refused it: %2 (%3)")
        .arg(entry.progId, error.message(), error.name());
}

QDBusMessage Send(const QDBusMessage& message, const QString& operation, const QString& member,
                  const ProgIdEntry& entry) {
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(message, QDBus::Block, entry.answerTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        throw RuntimeError(operation, member, Reason(entry, QDBusError(reply)));
    }
    NoteSuccess(member);
    return reply;
}

QString NewObjectPath(const ProgIdEntry& entry, const QDBusConnection& bus, QDBusError* error) {
    const auto message = QDBusMessage::createMethodCall(
        entry.service, entry.factoryPath, entry.factoryInterface, entry.factoryMethod);
    const QDBusMessage reply = bus.call(message, QDBus::Block, entry.answerTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        *error = QDBusError(reply);
        return {};
    }
    if (reply.arguments().isEmpty() || !reply.arguments().first().canConvert<QDBusObjectPath>()) {
        throw RuntimeError(CreateOperation, entry.progId,
                           QStringLiteral("%1.%2 did not return an object path")
                               .arg(entry.factoryInterface, entry.factoryMethod));
    }
    return reply.arguments().first().value<QDBusObjectPath>().path();
}

// Asks the factory for a new object, starting the server when it is not on
// the bus. A server that was just ending gives up its name first; the
// request then goes to a new one. A server that still holds its name but
// does not answer is not asked again: it may yet make the first object.
QString CreatePath(const ProgIdEntry& entry, const QDBusConnection& bus) {
    for (int attempt = 0;; ++attempt) {
        if (!bus.interface()->isServiceRegistered(entry.service)) StartServer(entry, bus);
        QDBusError error;
        const QString path = NewObjectPath(entry, bus, &error);
        if (!error.isValid()) return path;
        const bool gone =
            NotDelivered(error) || !bus.interface()->isServiceRegistered(entry.service);
        if (attempt > 0 || !gone) {
            throw RuntimeError(CreateOperation, entry.progId,
                               QStringLiteral("its factory %1.%2 failed: %3")
                                   .arg(entry.factoryInterface, entry.factoryMethod,
                                        error.type() == QDBusError::NoReply ? NoAnswer(entry, error)
                                                                            : error.message()));
        }
    }
}

ObjectDescription Introspect(const ProgIdEntry& entry, const QString& path) {
    const auto message = QDBusMessage::createMethodCall(
        entry.service, path, QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect"));
    const QDBusMessage reply = Send(message, CreateOperation, entry.progId, entry);
    ObjectDescription description;
    QString error;
    if (!ParseIntrospection(reply.arguments().value(0).toString(), &description, &error)) {
        throw RuntimeError(CreateOperation, entry.progId,
                           QStringLiteral("the new object %1: %2").arg(path, error));
    }
    return description;
}

// The method's input values in the order of its arguments.
QVariantList Arguments(const DBusMethod& method, const QList<NamedArgument>& given) {
    QVariantList values;
    QSet<QString> used;
    for (const DBusArgument& argument : method.arguments) {
        if (!argument.in) continue;
        const NamedArgument* match = nullptr;
        for (const NamedArgument& named : given) {
            if (named.name.compare(argument.name, Qt::CaseInsensitive) == 0) {
                if (match) {
                    throw RuntimeError(
                        CallOperation, method.name,
                        QStringLiteral("the argument %1 is given twice").arg(argument.name));
                }
                match = &named;
            }
        }
        if (!match) {
            throw RuntimeError(
                CallOperation, method.name,
                QStringLiteral("its argument %1 (%2) is not given")
                    .arg(argument.name.isEmpty() ? QStringLiteral("without a name") : argument.name,
                         DescribeDBusType(argument.type)));
        }
        QString error;
        const QVariant value = ToDBusValue(match->value, argument.type, &error);
        if (!value.isValid()) {
            throw RuntimeError(CallOperation, method.name,
                               QStringLiteral("argument %1: %2").arg(argument.name, error));
        }
        used.insert(match->name.toLower());
        values.append(value);
    }
    for (const NamedArgument& named : given) {
        if (!used.contains(named.name.toLower())) {
            throw RuntimeError(CallOperation, method.name,
                               QStringLiteral("it has no argument named %1").arg(named.name));
        }
    }
    return values;
}

}  // namespace

AutomationObject::AutomationObject(ProgIdEntry entry, QString path, ObjectDescription description)
    : entry_(std::move(entry)), path_(std::move(path)), description_(std::move(description)) {}

AutomationObject AutomationObject::CreateObject(const QString& progId) {
    const std::optional<ProgIdEntry> entry = FindProgId(progId);
    if (!entry)
        throw RuntimeError(CreateOperation, progId,
                           QStringLiteral("no server is registered for this ProgID"));
    const QDBusConnection bus = Bus(progId);
    const QString path = CreatePath(*entry, bus);
    return AutomationObject(*entry, path, Introspect(*entry, path));
}

const DBusProperty& AutomationObject::Property(const QString& operation,
                                               const QString& name) const {
    const DBusProperty* property = description_.FindProperty(name);
    if (!property) {
        throw RuntimeError(
            operation, name,
            QStringLiteral("the %1 object has no property of that name").arg(entry_.progId));
    }
    return *property;
}

void AutomationObject::PutProperty(const QString& name, const Variant& value) {
    const DBusProperty& property = Property(PutOperation, name);
    if (!property.writable) {
        throw RuntimeError(
            PutOperation, property.name,
            QStringLiteral("the property of the %1 object is read-only").arg(entry_.progId));
    }
    QString error;
    const QVariant converted = ToDBusValue(value, property.type, &error);
    if (!converted.isValid()) throw RuntimeError(PutOperation, property.name, error);
    auto message = QDBusMessage::createMethodCall(entry_.service, path_,
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Set"));
    message << property.interface << property.name << QVariant::fromValue(QDBusVariant(converted));
    Send(message, PutOperation, property.name, entry_);
}

Variant AutomationObject::GetProperty(const QString& name) const {
    const DBusProperty& property = Property(GetOperation, name);
    auto message = QDBusMessage::createMethodCall(entry_.service, path_,
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Get"));
    message << property.interface << property.name;
    const QDBusMessage reply = Send(message, GetOperation, property.name, entry_);
    QString error;
    Variant value = FromDBusValue(reply.arguments().value(0), &error);
    if (value.IsEmpty()) throw RuntimeError(GetOperation, property.name, error);
    return value;
}

Variant AutomationObject::Call(const QString& method, const QList<NamedArgument>& arguments) {
    const DBusMethod* member = description_.FindMethod(method);
    if (!member) {
        throw RuntimeError(
            CallOperation, method,
            QStringLiteral("the %1 object has no method of that name").arg(entry_.progId));
    }
    auto message =
        QDBusMessage::createMethodCall(entry_.service, path_, member->interface, member->name);
    message.setArguments(Arguments(*member, arguments));
    const QDBusMessage reply = Send(message, CallOperation, member->name, entry_);
    if (reply.arguments().isEmpty()) return {};
    QString error;
    return FromDBusValue(reply.arguments().first(), &error);
}

}  // namespace gui
