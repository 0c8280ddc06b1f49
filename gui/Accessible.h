#pragma once

// What a screen reader finds in a form: the controls' roles, states and
// actions, as the runtime's own controls report them. Nothing here changes
// how a control looks or takes the keyboard focus.

class QAccessibleInterface;
class QObject;
class QWidget;

namespace gui {

// Teaches Qt's accessibility layer about the form and its controls. Safe to
// call more than once; Form calls it before it builds a window.
void InstallAccessibleInterfaces();

// How a screen reader sees each kind of control that has an interface of
// its own (a text box only while it is read-only: nullptr otherwise).
QAccessibleInterface* OptionButtonAccessible(QObject* control);
QAccessibleInterface* LabelAccessible(QObject* control);
QAccessibleInterface* TextBoxAccessible(QObject* control);
QAccessibleInterface* ImageAccessible(QObject* control);

// Drops the interface Qt may have made for a widget while it was still being
// built (a line edit makes one for itself), so that the next query sees the
// widget as it is now.
void RenewAccessibleInterface(QWidget& widget);

// Tells a listening screen reader that a control joined the window's
// accessible children or left them (an image that got or lost its picture).
void TellScreenReadersPresent(QWidget& control, bool present);

// Makes the program reachable by a screen reader that starts after it: Qt
// otherwise offers its accessibility tree only when one was running at its
// own start. Call before the application object is created.
void KeepReachableByScreenReaders();

}  // namespace gui
