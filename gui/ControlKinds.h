#pragma once

// What a form knows of each kind of control, in one row per kind: how it is
// built from its design row, whether it is windowed, which events it raises
// and how a screen reader sees it. Form, its builder and the accessibility
// layer all read these rows, so a new kind of control is its class in
// Controls.h, its name in ControlKind and its row in ControlKinds.cpp.

#include <QMetaObject>
#include <functional>
#include <optional>
#include <vector>

#include "gui/Design.h"
#include "gui/Dispatch.h"

class QAccessibleInterface;

namespace gui {

class Form;

enum class Event { Click, DblClick, Change, Timer, OLEStartDrag };
QString EventName(Event event);

// An event a kind raises: connect attaches run to the control's signal, with
// context owning the connection. A press (a button, a menu command) reports
// each failure of its handler.
struct EventSource {
    Event event;
    Repeated repeated;
    QMetaObject::Connection (*connect)(QObject* control, QObject* context,
                                       std::function<void()> run);
};

struct ControlKindInfo {
    std::optional<ControlKind> kind{};  // absent: not built from a design row
    const QMetaObject* type = nullptr;
    // Windowed controls take the keyboard focus and a place in the tab
    // order, and lie above the windowless ones.
    bool windowed = false;
    // Makes the control in its container, at its place; the form owns it.
    QObject* (*build)(const ControlDesign& control, QWidget* container, Form& form) = nullptr;
    std::vector<EventSource> events{};
    // How a screen reader sees it; nullptr (or a nullptr result): Qt's own.
    QAccessibleInterface* (*accessible)(QObject* control) = nullptr;
};

// The row of a design kind; throws RuntimeError for a kind with none.
const ControlKindInfo& KindInfo(ControlKind kind, const QString& control);
// The row of a control's class (exactly that class); nullptr for none.
const ControlKindInfo* KindInfoOf(const char* className);
const ControlKindInfo* KindInfoOf(const QObject* control);

}  // namespace gui
