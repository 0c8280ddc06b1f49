#include "gui/automation/Variant.h"

#include <QDBusVariant>
#include <limits>

namespace gui {

Variant Variant::Boolean(bool value) {
    Variant v;
    v.type_ = Type::Boolean;
    v.value_ = value;
    return v;
}

Variant Variant::String(QString value) {
    Variant v;
    v.type_ = Type::String;
    v.value_ = std::move(value);
    return v;
}

Variant Variant::Integer(qint16 value) {
    Variant v;
    v.type_ = Type::Integer;
    v.value_ = qint64(value);
    return v;
}

Variant Variant::Long(qint32 value) {
    Variant v;
    v.type_ = Type::Long;
    v.value_ = qint64(value);
    return v;
}

Variant Variant::LongLong(qint64 value) {
    Variant v;
    v.type_ = Type::LongLong;
    v.value_ = value;
    return v;
}

bool Variant::ToBool() const {
    return type_ == Type::Boolean && std::get<bool>(value_);
}

QString Variant::ToString() const {
    return type_ == Type::String ? std::get<QString>(value_) : QString();
}

qint64 Variant::ToNumber() const {
    return std::holds_alternative<qint64>(value_) ? std::get<qint64>(value_) : 0;
}

QString Variant::Describe() const {
    switch (type_) {
        case Type::Empty:
            return QStringLiteral("an empty value");
        case Type::Boolean:
            return ToBool() ? QStringLiteral("boolean True") : QStringLiteral("boolean False");
        case Type::String:
            return QStringLiteral("string '%1'").arg(ToString());
        case Type::Integer:
            return QStringLiteral("16-bit integer %1").arg(ToNumber());
        case Type::Long:
            return QStringLiteral("32-bit integer %1").arg(ToNumber());
        case Type::LongLong:
            return QStringLiteral("64-bit integer %1").arg(ToNumber());
    }
    return {};
}

namespace {

struct NumericType {
    char signature;
    const char* name;
    qint64 min;
    quint64 max;
};

constexpr NumericType NumericTypes[] = {
    {'y', "8-bit unsigned integer", 0, std::numeric_limits<quint8>::max()},
    {'n', "16-bit integer", std::numeric_limits<qint16>::min(),
     quint64(std::numeric_limits<qint16>::max())},
    {'q', "16-bit unsigned integer", 0, std::numeric_limits<quint16>::max()},
    {'i', "32-bit integer", std::numeric_limits<qint32>::min(),
     quint64(std::numeric_limits<qint32>::max())},
    {'u', "32-bit unsigned integer", 0, std::numeric_limits<quint32>::max()},
    {'x', "64-bit integer", std::numeric_limits<qint64>::min(),
     quint64(std::numeric_limits<qint64>::max())},
    {'t', "64-bit unsigned integer", 0, std::numeric_limits<quint64>::max()},
};

const NumericType* FindNumeric(const QString& signature) {
    if (signature.size() != 1) return nullptr;
    for (const NumericType& type : NumericTypes) {
        if (signature[0] == QLatin1Char(type.signature)) return &type;
    }
    return nullptr;
}

bool IsNumber(const Variant& value) {
    return value.GetType() == Variant::Type::Integer || value.GetType() == Variant::Type::Long ||
           value.GetType() == Variant::Type::LongLong;
}

QVariant ToNumeric(qint64 number, char signature) {
    switch (signature) {
        case 'y':
            return QVariant::fromValue(quint8(number));
        case 'n':
            return QVariant::fromValue(qint16(number));
        case 'q':
            return QVariant::fromValue(quint16(number));
        case 'i':
            return QVariant::fromValue(qint32(number));
        case 'u':
            return QVariant::fromValue(quint32(number));
        case 'x':
            return QVariant::fromValue(qint64(number));
        default:
            return QVariant::fromValue(quint64(number));
    }
}

}  // namespace

QString DescribeDBusType(const QString& signature) {
    if (const NumericType* numeric = FindNumeric(signature)) {
        return QStringLiteral("%1 (%2)").arg(QLatin1String(numeric->name), signature);
    }
    if (signature == QLatin1String("b")) return QStringLiteral("boolean (b)");
    if (signature == QLatin1String("s")) return QStringLiteral("string (s)");
    return QStringLiteral("D-Bus type '%1'").arg(signature);
}

QVariant ToDBusValue(const Variant& value, const QString& signature, QString* error) {
    const auto mismatch = [&] {
        *error = QStringLiteral("a %1 is wanted, not %2")
                     .arg(DescribeDBusType(signature), value.Describe());
        return QVariant();
    };
    if (signature == QLatin1String("b")) {
        if (value.GetType() != Variant::Type::Boolean) return mismatch();
        return QVariant(value.ToBool());
    }
    if (signature == QLatin1String("s")) {
        if (value.GetType() != Variant::Type::String) return mismatch();
        return QVariant(value.ToString());
    }
    const NumericType* numeric = FindNumeric(signature);
    if (!numeric) {
        *error = QStringLiteral("its %1 cannot be given through automation")
                     .arg(DescribeDBusType(signature));
        return {};
    }
    if (!IsNumber(value)) return mismatch();
    const qint64 number = value.ToNumber();
    if (number < numeric->min || (number > 0 && quint64(number) > numeric->max)) {
        *error = QStringLiteral("%1 is out of the range of a %2, %3 to %4")
                     .arg(value.Describe(), DescribeDBusType(signature))
                     .arg(numeric->min)
                     .arg(numeric->max);
        return {};
    }
    return ToNumeric(number, numeric->signature);
}

Variant FromDBusValue(const QVariant& received, QString* error) {
    QVariant value = received;
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    switch (value.metaType().id()) {
        case QMetaType::Bool:
            return Variant::Boolean(value.toBool());
        case QMetaType::QString:
            return Variant::String(value.toString());
        case QMetaType::UChar:
        case QMetaType::Short:
            return Variant::Integer(qint16(value.toInt()));
        case QMetaType::UShort:
        case QMetaType::Int:
            return Variant::Long(value.toInt());
        case QMetaType::UInt:
        case QMetaType::LongLong:
            return Variant::LongLong(value.toLongLong());
        case QMetaType::ULongLong:
            if (value.toULongLong() <= quint64(std::numeric_limits<qint64>::max())) {
                return Variant::LongLong(qint64(value.toULongLong()));
            }
            break;
        default:
            break;
    }
    *error =
        QStringLiteral("a value of type %1 has no variant").arg(QLatin1String(value.typeName()));
    return {};
}

}  // namespace gui
