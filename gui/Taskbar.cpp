#include "gui/Taskbar.h"

#include <QEvent>
#include <cstdlib>
#include <vector>

#include "gui/X11.h"

namespace gui {

namespace {

#ifdef DURURIVE_HAVE_XCB
// Adds the state to the window while it is still unmapped; Qt keeps the
// states it finds there when it maps the window.
void AddSkipTaskbarState(QWidget& window) {
    xcb_connection_t* connection = x11::Connection();
    if (!connection) return;  // e.g. the offscreen platform
    const auto id = xcb_window_t(window.winId());
    const xcb_atom_t state = x11::Atom(connection, "_NET_WM_STATE");
    const xcb_atom_t skip = x11::Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE) return;

    std::vector<xcb_atom_t> states;
    const auto cookie = xcb_get_property(connection, 0, id, state, XCB_ATOM_ATOM, 0, 1024);
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr)) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        if (reply->format == 32 && reply->type == XCB_ATOM_ATOM)
            states.assign(data, data + xcb_get_property_value_length(reply) / 4);
        std::free(reply);
    }
    for (xcb_atom_t present : states)
        if (present == skip) return;
    states.push_back(skip);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.data());
    xcb_flush(connection);
}
#else
void AddSkipTaskbarState(QWidget&) {}
#endif

// The Show event comes after the native window is created and before it is
// mapped; a window manager drops the state whenever the window is withdrawn.
class SkipTaskbarOnShow : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            AddSkipTaskbarState(*static_cast<QWidget*>(watched));
        return false;
    }
};

}  // namespace

void KeepOutOfTaskbar(QWidget& window) {
    window.installEventFilter(new SkipTaskbarOnShow(&window));
}

}  // namespace gui
