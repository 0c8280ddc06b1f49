#pragma once

#include <QString>
#include <QWidget>

namespace gui {

// Asks where to save with the desktop's standard save dialog, which starts
// at suggestedPath, adds suffix to a name typed without one and asks before
// replacing a file. Empty when the user cancelled.
QString AskSaveFileName(QWidget* owner, const QString& title, const QString& suggestedPath,
                        const QString& filter, const QString& suffix);

}  // namespace gui
