#include "gui/Dispatch.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "gui/Services.h"
#include "gui/core/FailureMemory.h"
#include "gui/core/RuntimeError.h"

namespace gui {

namespace {

void Report(const QString& handlerName, const QString& message) {
    if (const auto& report = InstalledServices().reportFailure) {
        report(handlerName, message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                    QStringLiteral("%1\n\n(in %2)").arg(message, handlerName), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("RuntimeErrorReport"));
    box.exec();
}

}  // namespace

void Dispatch(const QString& handlerName, const std::function<void()>& handler, Repeated repeated) {
    try {
        handler();
        runtime::NoteHandlerSucceeded(handlerName);
    } catch (const runtime::RuntimeError& error) {
        if (runtime::IsNewFailure(handlerName, error) || repeated == Repeated::ReportEvery)
            Report(handlerName, error.Message());
    } catch (const std::exception& error) {
        Report(handlerName, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        Report(handlerName, QStringLiteral("An unknown failure"));
    }
}

}  // namespace gui
