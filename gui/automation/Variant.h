#pragma once

#include <QString>
#include <QVariant>
#include <variant>

namespace gui {

// A value crossing the automation interface, with its stated type.
class Variant {
public:
    enum class Type { Empty, Boolean, String, Integer, Long, LongLong };

    Variant() = default;
    static Variant Boolean(bool value);
    static Variant String(QString value);
    static Variant Integer(qint16 value);  // 16-bit signed
    static Variant Long(qint32 value);     // 32-bit signed
    static Variant LongLong(qint64 value);

    Type GetType() const { return type_; }
    bool IsEmpty() const { return type_ == Type::Empty; }
    bool ToBool() const;
    QString ToString() const;
    qint64 ToNumber() const;
    // "16-bit integer 300", "string 'abc'", for messages.
    QString Describe() const;

    bool operator==(const Variant& other) const = default;

private:
    Type type_ = Type::Empty;
    std::variant<std::monostate, bool, QString, qint64> value_;
};

// The value as the D-Bus type with the single-type signature signature
// ("b", "n", "s", ...). A number must fit the type's range; a boolean, a
// string and a number are not taken for one another. Invalid, with the
// reason in *error, when the value cannot be given as that type.
QVariant ToDBusValue(const Variant& value, const QString& signature, QString* error);

// A value received over D-Bus; Empty, with the reason, for a type that has
// no variant.
Variant FromDBusValue(const QVariant& value, QString* error);

// "16-bit integer (n)", for messages.
QString DescribeDBusType(const QString& signature);

}  // namespace gui
