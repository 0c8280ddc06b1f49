#include "preview/PreviewBrowser.h"

#include <QDir>

#include "gui/automation/Automation.h"

void OpenPreviewBrowser(short top, short left, short width, short height) {
    using gui::Variant;
    gui::AutomationObject browser = gui::AutomationObject::CreateObject(QStringLiteral("InternetExplorer.Application"));
    browser.PutProperty(QStringLiteral("Visible"), Variant::Boolean(true));
    // The scrap is written into the working directory, so that is where the
    // preview reads it.
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("scrap.htm"));
    browser.Call(QStringLiteral("Navigate"), {{QStringLiteral("URL"), Variant::String(path)}});
    browser.PutProperty(QStringLiteral("Top"), Variant::Integer(top));
    browser.PutProperty(QStringLiteral("Left"), Variant::Integer(left));
    browser.PutProperty(QStringLiteral("Width"), Variant::Integer(width));
    browser.PutProperty(QStringLiteral("Height"), Variant::Integer(height));
}  // the reference is dropped here: the window stays with the user
