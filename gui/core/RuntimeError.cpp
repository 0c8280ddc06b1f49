#include "RuntimeError.h"

namespace runtime {

namespace {
QString Compose(const QString& operation, const QString& subject, const QString& reason) {
    return QStringLiteral("%1 '%2': %3").arg(operation, subject, reason);
}
}  // namespace

RuntimeError::RuntimeError(QString operation, QString subject, QString reason)
    : std::runtime_error(Compose(operation, subject, reason).toStdString()),
      operation_(std::move(operation)),
      subject_(std::move(subject)),
      reason_(std::move(reason)) {}

QString RuntimeError::Message() const {
    return Compose(operation_, subject_, reason_);
}

}  // namespace runtime
