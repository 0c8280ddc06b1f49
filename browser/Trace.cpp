#include "browser/Trace.h"

#include <QDateTime>
#include <QFile>

Q_LOGGING_CATEGORY(lcBrowserTrace, "dururive.browser.trace", QtWarningMsg)

namespace Trace {

namespace {

QString traceFile;
QtMessageHandler otherMessages = nullptr;

void AppendToTraceFile(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (qstrcmp(context.category, lcBrowserTrace().categoryName()) != 0) {
        otherMessages(type, context, message);
        return;
    }
    QFile out(traceFile);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    out.write(
        QStringLiteral("%1 %2\n").arg(QDateTime::currentMSecsSinceEpoch()).arg(message).toUtf8());
}

}  // namespace

void Write(const QString& path, const QString& event, const QString& value) {
    qCInfo(lcBrowserTrace).noquote() << QStringLiteral("%1 %2 %3").arg(path, event, value);
}

void WriteToFileFromEnvironment() {
    traceFile = qEnvironmentVariable("DURURIVE_BROWSER_TRACE");
    if (traceFile.isEmpty()) return;
    QLoggingCategory::setFilterRules(QStringLiteral("dururive.browser.trace.info=true"));
    otherMessages = qInstallMessageHandler(AppendToTraceFile);
}

}  // namespace Trace
