#pragma once

#include <QString>
#include <QWidget>

namespace gui {

// Drags a file out of a control as a URI list, for copying only, so that a
// file manager cannot move it away; its picture follows the pointer. Returns
// when the drop or the cancel ends the drag.
void DragFile(QWidget& source, const QString& file);

}  // namespace gui
