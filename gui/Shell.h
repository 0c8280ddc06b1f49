#pragma once

#include <QString>
#include <QWidget>

namespace gui {

// Asks the desktop to "open" an address (the user's web browser for a web
// address) through the desktop's own facility. Does not wait and reports
// nothing; owner is the window asking.
void ShellOpen(QWidget* owner, const QString& operation, const QString& address);

}  // namespace gui
