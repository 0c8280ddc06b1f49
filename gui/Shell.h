#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace gui {

// Asks the desktop to "open" an address (the user's web browser for a web
// address) through the desktop's own facility. Does not wait and reports
// nothing; owner is the window asking.
void ShellOpen(QWidget* owner, const QString& operation, const QString& address);

// Test seam: observes each request instead of passing it to the desktop.
using ShellOpener = std::function<void(const QString& operation, const QString& address)>;
void SetShellOpener(ShellOpener opener);  // empty: the desktop's facility

}  // namespace gui
