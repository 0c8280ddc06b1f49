#pragma once

#include <QWidget>

namespace gui {

// Keeps a top-level window out of the desktop's task bar every time it is
// shown (on X11 through the window manager's _NET_WM_STATE; elsewhere the
// window type is left to decide).
void KeepOutOfTaskbar(QWidget& window);

}  // namespace gui
