#pragma once
// The X server of the application, when it runs on X11, reached through xcb
// for the few window manager hints that Qt does not give.

#include <QtGui/qtguiglobal.h>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define DURURIVE_HAVE_XCB 1

namespace gui::x11 {

// The application's connection to the X server; null off X11 (on Wayland,
// on the offscreen platform).
xcb_connection_t* Connection();

// The atom of a name; XCB_ATOM_NONE when the server gives none.
xcb_atom_t Atom(xcb_connection_t* connection, const char* name);

}  // namespace gui::x11
#endif
