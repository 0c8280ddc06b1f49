#include "preview/PreviewBrowser.h"

#include <QDir>

#include "gui/automation/Automation.h"
#include "gui/core/RuntimeError.h"
#include "gui/core/SequentialFile.h"

void OpenPreviewBrowser(short top, short left, short width, short height) {
    using gui::Variant;
    // The scrap is written into the working directory, so that is where the
    // preview reads it. Only the user's own file is shown: a page someone
    // else left there, or a link to one, is refused before any window opens.
    // A missing file is the browser's to show.
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("scrap.htm"));
    const gui::OwnFileCheck scrap = gui::CheckOwnFile(path);
    if (!scrap.refusal.isEmpty())
        throw gui::RuntimeError(QStringLiteral("Preview"), path, scrap.refusal);

    gui::AutomationObject browser =
        gui::AutomationObject::CreateObject(QStringLiteral("InternetExplorer.Application"));
    browser.PutProperty(QStringLiteral("Visible"), Variant::Boolean(true));
    browser.Call(QStringLiteral("Navigate"), {{QStringLiteral("URL"), Variant::String(path)}});
    browser.PutProperty(QStringLiteral("Top"), Variant::Integer(top));
    browser.PutProperty(QStringLiteral("Left"), Variant::Integer(left));
    browser.PutProperty(QStringLiteral("Width"), Variant::Integer(width));
    browser.PutProperty(QStringLiteral("Height"), Variant::Integer(height));
}  // the reference is dropped here: the window stays with the user
