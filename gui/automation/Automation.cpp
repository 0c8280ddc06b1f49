#include "gui/automation/Automation.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QSet>
#include <algorithm>

#include "gui/automation/Members.h"
#include "gui/automation/ServerStart.h"
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
        throw runtime::RuntimeError(
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

bool NotAnswered(const QDBusError& error) {
    return error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout;
}

// How long the next call may wait for its answer, and how long the caller
// waits in all.
int CallTimeoutMs(const ProgIdEntry& entry) {
    const AutomationWait* wait = AutomationWait::Current();
    if (!wait) return entry.answerTimeoutMs;
    return int(std::clamp<qint64>(wait->Deadline().remainingTime(), 1, entry.answerTimeoutMs));
}

int WaitedMs(const ProgIdEntry& entry) {
    const AutomationWait* wait = AutomationWait::Current();
    return wait ? std::min(wait->TimeoutMs(), entry.answerTimeoutMs) : entry.answerTimeoutMs;
}

// Within a command's wait the caller's windows go on painting.
QDBus::CallMode Mode() {
    return AutomationWait::Current() ? QDBus::BlockWithGui : QDBus::Block;
}

QString NoAnswer(const ProgIdEntry& entry, const QDBusError& error) {
    QString text = QStringLiteral("the server of %1 (%2) did not answer within %3 ms: %4")
                       .arg(entry.progId, entry.service)
                       .arg(WaitedMs(entry))
                       .arg(error.message());
    if (EndUnansweringServer(entry, QDBusConnection::sessionBus()))
        text += QStringLiteral("; it was ended, and the next request starts a new one");
    return text;
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
    if (NotAnswered(error)) return NoAnswer(entry, error);
    if (error.type() == QDBusError::UnknownMethod || error.type() == QDBusError::UnknownProperty ||
        error.type() == QDBusError::UnknownInterface) {
        return QStringLiteral("the %1 object does not know it: %2")
            .arg(entry.progId, error.message());
    }
    return QStringLiteral("the %1 object refused it: %2 (%3)")
        .arg(entry.progId, error.message(), error.name());
}

// A call that failed throws.
void Check(const QDBusError& error, const QString& operation, const QString& member,
           const ProgIdEntry& entry) {
    if (error.isValid()) throw runtime::RuntimeError(operation, member, Reason(entry, error));
}

QString NewObjectPath(const ProgIdEntry& entry, const QDBusConnection& bus, QDBusError* error) {
    const auto message = QDBusMessage::createMethodCall(
        entry.service, entry.factoryPath, entry.factoryInterface, entry.factoryMethod);
    const QDBusMessage reply = bus.call(message, Mode(), CallTimeoutMs(entry));
    if (reply.type() == QDBusMessage::ErrorMessage) {
        *error = QDBusError(reply);
        return {};
    }
    if (reply.arguments().isEmpty() || !reply.arguments().first().canConvert<QDBusObjectPath>()) {
        throw runtime::RuntimeError(CreateOperation, entry.progId,
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
            throw runtime::RuntimeError(
                CreateOperation, entry.progId,
                QStringLiteral("its factory %1.%2 failed: %3")
                    .arg(entry.factoryInterface, entry.factoryMethod,
                         NotAnswered(error) ? NoAnswer(entry, error) : error.message()));
        }
    }
}

// The new object's interface, as QtDBus reads it from the object's
// introspection data. QtDBus asks for that data (the first time it meets the
// interface) with its own 25 s timeout; asking first, within ours, has a
// hung server reported as soon as by any other call.
std::shared_ptr<QDBusInterface> Bind(const ProgIdEntry& entry, const QString& path,
                                     const QDBusConnection& bus) {
    const auto introspect = QDBusMessage::createMethodCall(
        entry.service, path, QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect"));
    Check(QDBusError(bus.call(introspect, Mode(), CallTimeoutMs(entry))), CreateOperation,
          entry.progId, entry);
    auto object = std::make_shared<QDBusInterface>(entry.service, path, entry.objectInterface, bus);
    if (object->lastError().isValid()) {
        throw runtime::RuntimeError(
            CreateOperation, entry.progId,
            QStringLiteral("the new object %1: %2").arg(path, Reason(entry, object->lastError())));
    }
    return object;
}

// A call to the object's org.freedesktop.DBus.Properties.
QDBusMessage PropertiesCall(const ProgIdEntry& entry, const QDBusInterface& object,
                            const QString& method, const QVariantList& arguments) {
    auto message = QDBusMessage::createMethodCall(
        entry.service, object.path(), QStringLiteral("org.freedesktop.DBus.Properties"), method);
    message.setArguments(arguments);
    return object.connection().call(message, Mode(), CallTimeoutMs(entry));
}

// The method's input values in the order of its arguments.
QVariantList Arguments(const QString& method, const QList<DBusArgument>& arguments,
                       const QList<NamedArgument>& given) {
    QVariantList values;
    QSet<QString> used;
    for (const DBusArgument& argument : arguments) {
        const NamedArgument* match = nullptr;
        for (const NamedArgument& named : given) {
            if (named.name.compare(argument.name, Qt::CaseInsensitive) == 0) {
                if (match) {
                    throw runtime::RuntimeError(
                        CallOperation, method,
                        QStringLiteral("the argument %1 is given twice").arg(argument.name));
                }
                match = &named;
            }
        }
        if (!match) {
            throw runtime::RuntimeError(
                CallOperation, method,
                QStringLiteral("its argument %1 (%2) is not given")
                    .arg(argument.name.isEmpty() ? QStringLiteral("without a name") : argument.name,
                         DescribeDBusType(argument.type)));
        }
        QString error;
        const QVariant value = ToDBusValue(match->value, argument.type, &error);
        if (!value.isValid()) {
            throw runtime::RuntimeError(
                CallOperation, method, QStringLiteral("argument %1: %2").arg(argument.name, error));
        }
        used.insert(match->name.toLower());
        values.append(value);
    }
    for (const NamedArgument& named : given) {
        if (!used.contains(named.name.toLower())) {
            throw runtime::RuntimeError(
                CallOperation, method,
                QStringLiteral("it has no argument named %1").arg(named.name));
        }
    }
    return values;
}

}  // namespace

namespace {
thread_local const AutomationWait* currentWait = nullptr;
}

AutomationWait::AutomationWait(int timeoutMs)
    : timeoutMs_(timeoutMs), deadline_(timeoutMs), outer_(currentWait) {
    currentWait = this;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
}

AutomationWait::~AutomationWait() {
    currentWait = outer_;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}

const AutomationWait* AutomationWait::Current() {
    return currentWait;
}

AutomationObject::AutomationObject(ProgIdEntry entry, std::shared_ptr<QDBusInterface> object)
    : entry_(std::move(entry)), object_(std::move(object)) {}

AutomationObject AutomationObject::CreateObject(const QString& progId) {
    const std::optional<ProgIdEntry> entry = FindProgId(progId);
    if (!entry)
        throw runtime::RuntimeError(CreateOperation, progId,
                                    QStringLiteral("no server is registered for this ProgID"));
    const QDBusConnection bus = Bus(progId);
    const QString path = CreatePath(*entry, bus);
    return AutomationObject(*entry, Bind(*entry, path, bus));
}

QString AutomationObject::Path() const {
    return object_->path();
}

const QMetaObject& AutomationObject::Members() const {
    return *object_->metaObject();
}

QMetaProperty AutomationObject::Property(const QString& operation, const QString& name) const {
    const QMetaProperty property = FindProperty(Members(), name);
    if (!property.isValid()) {
        throw runtime::RuntimeError(
            operation, name,
            QStringLiteral("the %1 object has no property of that name").arg(entry_.progId));
    }
    return property;
}

void AutomationObject::PutProperty(const QString& name, const Variant& value) {
    const QMetaProperty property = Property(PutOperation, name);
    const QString member = QString::fromUtf8(property.name());
    if (!property.isWritable()) {
        throw runtime::RuntimeError(
            PutOperation, member,
            QStringLiteral("the property of the %1 object is read-only").arg(entry_.progId));
    }
    QString error;
    const QVariant converted = ToDBusValue(value, DBusSignature(property.metaType()), &error);
    if (!converted.isValid()) throw runtime::RuntimeError(PutOperation, member, error);
    const QDBusMessage reply = PropertiesCall(
        entry_, *object_, QStringLiteral("Set"),
        {entry_.objectInterface, member, QVariant::fromValue(QDBusVariant(converted))});
    Check(QDBusError(reply), PutOperation, member, entry_);
}

Variant AutomationObject::GetProperty(const QString& name) const {
    const QMetaProperty property = Property(GetOperation, name);
    const QString member = QString::fromUtf8(property.name());
    const QDBusMessage reply =
        PropertiesCall(entry_, *object_, QStringLiteral("Get"), {entry_.objectInterface, member});
    Check(QDBusError(reply), GetOperation, member, entry_);
    const QVariant received = reply.arguments().value(0).value<QDBusVariant>().variant();
    QString error;
    Variant value = FromDBusValue(received, &error);
    if (value.IsEmpty()) throw runtime::RuntimeError(GetOperation, member, error);
    return value;
}

Variant AutomationObject::Call(const QString& method, const QList<NamedArgument>& arguments) {
    const QMetaMethod found = FindMethod(Members(), method);
    if (!found.isValid()) {
        throw runtime::RuntimeError(
            CallOperation, method,
            QStringLiteral("the %1 object has no method of that name").arg(entry_.progId));
    }
    const QString member = QString::fromUtf8(found.name());
    object_->setTimeout(CallTimeoutMs(entry_));
    const QDBusMessage reply = object_->callWithArgumentList(
        Mode(), member, Arguments(member, InputArguments(found), arguments));
    Check(QDBusError(reply), CallOperation, member, entry_);
    QString error;
    return FromDBusValue(reply.arguments().value(0), &error);  // empty for no result
}

}  // namespace gui
