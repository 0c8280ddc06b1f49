#pragma once

#include <QString>
#include <stdexcept>

namespace runtime {

// The error a failing runtime call raises. It names what failed (a file, a
// member, an object), the operation that was attempted and the reason.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(QString operation, QString subject, QString reason);

    const QString& Operation() const { return operation_; }
    const QString& Subject() const { return subject_; }
    const QString& Reason() const { return reason_; }
    // "<operation> '<subject>': <reason>", the text the user is shown.
    QString Message() const;

private:
    QString operation_;
    QString subject_;
    QString reason_;
};

}  // namespace runtime
