#include "gui/StartupNotification.h"

#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "gui/X11.h"

namespace gui {

namespace {

#ifdef DURURIVE_HAVE_XCB
// The message that ends a launch: "remove: ID=" and the ID with its blanks,
// double quotes and backslashes escaped by a backslash.
QByteArray RemoveMessage(const QByteArray& id) {
    QByteArray message("remove: ID=");
    for (const char c : id) {
        if (c == ' ' || c == '"' || c == '\\') message += '\\';
        message += c;
    }
    return message;
}

void SetStartupId(xcb_connection_t* connection, xcb_window_t window, const QByteArray& id) {
    const xcb_atom_t property = x11::Atom(connection, "_NET_STARTUP_ID");
    const xcb_atom_t utf8 = x11::Atom(connection, "UTF8_STRING");
    if (property == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE) return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, utf8, 8,
                        uint32_t(id.size()), id.constData());
    xcb_flush(connection);
}

// A message goes to the root window in pieces of 20 bytes, the first of type
// _NET_STARTUP_INFO_BEGIN, each naming the sending window, up to its
// terminating null byte.
void SendMessage(xcb_connection_t* connection, xcb_window_t window, const QByteArray& message) {
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    if (!tree) return;
    const xcb_window_t root = tree->root;
    std::free(tree);
    const xcb_atom_t begin = x11::Atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = x11::Atom(connection, "_NET_STARTUP_INFO");
    if (begin == XCB_ATOM_NONE || more == XCB_ATOM_NONE) return;
    const QByteArray data = message + '\0';
    for (qsizetype at = 0; at < data.size(); at += 20) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = window;
        event.type = at == 0 ? begin : more;
        std::memcpy(event.data.data8, data.constData() + at,
                    size_t(std::min<qsizetype>(20, data.size() - at)));
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_flush(connection);
}

// The Show event comes after the native window is made and before it is
// mapped; the launch ends once the show is done.
class EndLaunchOnShow : public QObject {
public:
    EndLaunchOnShow(QWidget& window, QByteArray id) : QObject(&window), id_(std::move(id)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
        auto& window = *static_cast<QWidget*>(watched);
        window.removeEventFilter(this);
        if (xcb_connection_t* connection = x11::Connection()) {
            const auto id = xcb_window_t(window.winId());
            SetStartupId(connection, id, id_);
            QTimer::singleShot(0, &window, [connection, id, message = RemoveMessage(id_)] {
                SendMessage(connection, id, message);
            });
        }
        deleteLater();
        return false;
    }

private:
    QByteArray id_;
};
#endif

}  // namespace

StartupLaunch StartupLaunch::TakeFromEnvironment() {
    StartupLaunch launch;
    launch.id_ = qgetenv("DESKTOP_STARTUP_ID");
    qunsetenv("DESKTOP_STARTUP_ID");
    return launch;
}

void StartupLaunch::EndWhenShown(QWidget& window) const {
#ifdef DURURIVE_HAVE_XCB
    if (!id_.isEmpty()) window.installEventFilter(new EndLaunchOnShow(window, id_));
#else
    Q_UNUSED(window);
#endif
}

}  // namespace gui
