#pragma once

#include <QString>
#include <QWidget>

class QMimeData;

namespace gui {

// Drags a file out of a control as a URI list, for copying only, so that a
// file manager cannot move it away; its picture follows the pointer. Returns
// when the drop or the cancel ends the drag.
void DragFile(QWidget& source, const QString& file);

// The data of the newest drag, while Qt still answers for it; else null.
const QMimeData* NewestDragData();

}  // namespace gui
