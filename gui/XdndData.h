#pragma once

namespace gui {

// On X11, hands the data of the program's drag to a compositor's bridge to
// Wayland programs, which Qt turns away. Qt hands its drag's data
// (XdndSelection) only to the window it drops on, or to a request stamped
// with the very time it took the selection. mutter's bridge asks from a
// window of its own, first for the list of types (TARGETS, which Qt never
// answers during a drag), stamped with the time it saw the selection change:
// refused, it offered a Wayland window a drop without data. This answers
// such requests, from windows that take no drops, for the types the drag
// holds; the rest, and every request of a drop target, are still Qt's.
// Call once after the application object is made; off X11 it does nothing.
void AnswerDragDataRequests();

}  // namespace gui
