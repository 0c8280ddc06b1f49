#include "gui/Shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "gui/Services.h"

namespace gui {

void ShellOpen(QWidget* /*owner*/, const QString& operation, const QString& address) {
    if (const auto& open = InstalledServices().openAddress) {
        open(operation, address);
        return;
    }
    // The desktop's own facility (xdg-open on Linux) starts the browser
    // detached; the outcome is not reported.
    QDesktopServices::openUrl(QUrl(address));
}

}  // namespace gui
