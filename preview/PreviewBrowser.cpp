#include "preview/PreviewBrowser.h"

#include <QDir>

#include "gui/automation/Automation.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"
#include "gui/core/SequentialFile.h"

namespace {

// The longest the main window waits on the browser, its start included.
constexpr int PreviewWaitMs = 5000;

// The scrap is written into the working directory, so that is where the
// preview reads it.
QString ScrapPath() {
    QString problem;
    const QString folder = runtime::WorkingDirectory(&problem);
    if (folder.isEmpty())
        throw runtime::RuntimeError(QStringLiteral("Preview"), QStringLiteral("scrap.htm"),
                                    problem);
    return QDir(folder).absoluteFilePath(QStringLiteral("scrap.htm"));
}

// A refused page leaves no empty window behind: the browser closes a window
// that is hidden. Whatever this meets, the refusal is what the user is told.
void Withdraw(gui::AutomationObject& browser) {
    try {
        browser.PutProperty(QStringLiteral("Visible"), gui::Variant::Boolean(false));
    } catch (const runtime::RuntimeError&) {
    }
}

}  // namespace

void OpenPreviewBrowser(short top, short left, short width, short height) {
    using gui::Variant;
    // Only the user's own file is shown: a page someone else left there, or
    // a link to one, is refused before any window opens. A missing file is
    // the browser's to show.
    const QString path = ScrapPath();
    const runtime::OwnFileCheck scrap = runtime::CheckOwnFile(path);
    if (!scrap.refusal.isEmpty())
        throw runtime::RuntimeError(QStringLiteral("Preview"), path, scrap.refusal);

    const gui::AutomationWait wait(PreviewWaitMs);
    gui::AutomationObject browser =
        gui::AutomationObject::CreateObject(QStringLiteral("InternetExplorer.Application"));
    browser.PutProperty(QStringLiteral("Visible"), Variant::Boolean(true));
    try {
        browser.Call(QStringLiteral("Navigate"), {{QStringLiteral("URL"), Variant::String(path)}});
    } catch (const runtime::RuntimeError&) {
        Withdraw(browser);
        throw;
    }
    browser.PutProperty(QStringLiteral("Top"), Variant::Integer(top));
    browser.PutProperty(QStringLiteral("Left"), Variant::Integer(left));
    browser.PutProperty(QStringLiteral("Width"), Variant::Integer(width));
    browser.PutProperty(QStringLiteral("Height"), Variant::Integer(height));
}  // the reference is dropped here: the window stays with the user
