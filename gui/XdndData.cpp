#include "gui/XdndData.h"

#include "gui/Drag.h"
#include "gui/X11.h"

#ifdef DURURIVE_HAVE_XCB
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMimeData>
#include <cstdlib>

namespace gui {

namespace {

class DragDataAnswer final : public QAbstractNativeEventFilter {
public:
    explicit DragDataAnswer(xcb_connection_t* connection)
        : connection_(connection),
          selection_(x11::Atom(connection, "XdndSelection")),
          targets_(x11::Atom(connection, "TARGETS")),
          aware_(x11::Atom(connection, "XdndAware")) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST) return false;
        const auto& request = *reinterpret_cast<const xcb_selection_request_event_t*>(event);
        if (request.selection != selection_ || TakesDrops(request.requestor)) return false;
        const QMimeData* data = NewestDragData();
        return data && Answer(request, *data);
    }

private:
    // Whether the window or one above it takes drops (XdndAware).
    bool TakesDrops(xcb_window_t window) const {
        while (window != XCB_WINDOW_NONE) {
            const auto property =
                xcb_get_property(connection_, 0, window, aware_, XCB_ATOM_ANY, 0, 0);
            xcb_get_property_reply_t* aware =
                xcb_get_property_reply(connection_, property, nullptr);
            const bool found = aware && aware->type != XCB_ATOM_NONE;
            std::free(aware);
            if (found) return true;
            xcb_query_tree_reply_t* tree =
                xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr);
            const xcb_window_t parent =
                tree && tree->parent != tree->root ? tree->parent : xcb_window_t(XCB_WINDOW_NONE);
            std::free(tree);
            window = parent;
        }
        return false;
    }

    QByteArray AtomName(xcb_atom_t atom) const {
        xcb_get_atom_name_reply_t* reply =
            xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom), nullptr);
        QByteArray name;
        if (reply)
            name = QByteArray(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
        std::free(reply);
        return name;
    }

    // Writes the types, or the bytes of the type asked for, to the
    // requestor's property and tells it so. Any other request is left to
    // Qt, which converts the drag's data to more types than it holds.
    bool Answer(const xcb_selection_request_event_t& request, const QMimeData& data) const {
        // Clients older than the ICCCM name no property: then it is the target.
        const xcb_atom_t property =
            request.property != XCB_ATOM_NONE ? request.property : request.target;
        if (request.target == targets_) {
            QList<xcb_atom_t> atoms{targets_};
            for (const QString& format : data.formats())
                atoms.append(x11::Atom(connection_, qPrintable(format)));
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_ATOM, 32, uint32_t(atoms.size()), atoms.constData());
        } else {
            const QString format = QString::fromLatin1(AtomName(request.target));
            if (!data.hasFormat(format)) return false;
            const QByteArray bytes = data.data(format);
            // Larger data would need the incremental transfer; a file's
            // address is far below.
            if (bytes.size() >= qsizetype(xcb_get_maximum_request_length(connection_)) * 4 - 64)
                return false;
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                request.target, 8, uint32_t(bytes.size()), bytes.constData());
        }
        // An event sent is 32 bytes long, more than this one's fields.
        alignas(xcb_selection_notify_event_t) char event[32] = {};
        auto& notify = *reinterpret_cast<xcb_selection_notify_event_t*>(event);
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = property;
        xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, event);
        xcb_flush(connection_);
        return true;
    }

    xcb_connection_t* connection_;
    xcb_atom_t selection_;
    xcb_atom_t targets_;
    xcb_atom_t aware_;
};

}  // namespace

void AnswerDragDataRequests() {
    xcb_connection_t* connection = x11::Connection();
    if (!connection) return;
    static DragDataAnswer answer(connection);
    QCoreApplication::instance()->installNativeEventFilter(&answer);
}

}  // namespace gui

#else
namespace gui {
void AnswerDragDataRequests() {}
}  // namespace gui
#endif
