// A program that opens one preview and ends, as the main window's Preview
// command would: "preview_caller" in the directory that holds scrap.htm.
// "preview_caller create <ProgID>" only creates an object. Failures are
// printed and end it with status 2.
#include <QCoreApplication>
#include <QTextStream>

#include "gui/automation/Automation.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"
#include "preview/PreviewBrowser.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    runtime::SetAppDir(QStringLiteral(PROGRAM_DIR));  // where the browser lies
    const QStringList arguments = QCoreApplication::arguments();
    try {
        if (arguments.value(1) == QLatin1String("create")) {
            gui::AutomationObject::CreateObject(arguments.value(2));
        } else {
            OpenPreviewBrowser(300, 100, 400, 400);
        }
    } catch (const runtime::RuntimeError& error) {
        QTextStream(stderr) << error.Message() << '\n';
        return 2;
    }
    return 0;
}
