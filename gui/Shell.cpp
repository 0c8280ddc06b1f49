#include "gui/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace gui {

namespace {
ShellOpener& Opener() {
    static ShellOpener opener;
    return opener;
}
}  // namespace

void ShellOpen(QWidget* /*owner*/, const QString& operation, const QString& address) {
    if (Opener()) {
        Opener()(operation, address);
        return;
    }
    // The desktop's own facility (xdg-open on Linux) starts the browser
    // detached; the outcome is not reported.
    QDesktopServices::openUrl(QUrl(address));
}

void SetShellOpener(ShellOpener opener) {
    Opener() = std::move(opener);
}

}  // namespace gui
