#pragma once

#include <QHash>
#include <QKeySequence>
#include <QSet>
#include <QWidget>
#include <functional>

#include "gui/ControlKinds.h"
#include "gui/Design.h"

namespace gui {

// A window built from its design. Controls are children named after their
// designer names; handlers are attached by control name and event and always
// run through Dispatch, so no failure escapes into the event loop.
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(const FormDesign& design, QWidget* parent = nullptr);
    ~Form() override;

    const FormDesign& Design() const { return design_; }

    // The control of that designer name (and array index); throws
    // RuntimeError when there is none or it is of another kind.
    template <class T>
    T& Control(const QString& name, int index = -1) const {
        auto* found = qobject_cast<T*>(FindControl(name, index));
        if (!found) ThrowNoControl(name, index);
        return *found;
    }
    QObject* FindControl(const QString& name, int index = -1) const;

    // A command of the window's context menu (a right-click on the window,
    // Shift+F10 or the Menu key) that its shortcut also runs. It raises
    // Click; it takes no place in the layout or the tab order.
    void AddMenuCommand(const QString& name, const QString& caption, const QKeySequence& shortcut);
    // Makes a menu command available, or unavailable saying why.
    void EnableMenuCommand(const QString& name, bool enabled, const QString& whyNot = {});

    // Attaches a handler, named for reports as "<Control>_<Event>".
    void On(const QString& control, Event event, std::function<void()> handler);
    void On(const QString& control, int index, Event event, std::function<void()> handler);

    // What a screen reader says of a control: its name and what it does.
    // The control looks and behaves as before.
    void Describe(const QString& control, int index, const QString& name,
                  const QString& description = {});
    void Describe(QWidget& control, const QString& name, const QString& description = {});
    // A label that opens an address when clicked: a link to a screen reader,
    // whose action is the click, and a stop of the tab order at its tab index.
    void DescribeAsLink(const QString& control, const QString& name,
                        const QString& description = {});
    // Decoration a screen reader leaves out, such as the back copy of a
    // two-tone lettering, which says again what its front copy says, and
    // any image while it shows no picture.
    void HideFromScreenReaders(const QString& control);
    bool HiddenFromScreenReaders(const QWidget* widget) const;

    // Shows the window (centred when its design says so) and gives the first
    // focus to the first control in the tab order that can take it.
    void Show();
    // Shows modally with no owner; returns when the window is unloaded.
    // Tests replace the modal loop through Services::runModal.
    void ShowModal();
    // Unloads: closes and destroys the window, stopping its timers.
    void Unload();

    // The native window handle.
    WId Hwnd();

signals:
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    [[noreturn]] static void ThrowNoControl(const QString& name, int index);
    void Build(const ControlDesign& control);
    void Arrange();
    void OrderTabStops();
    void RequestMenuByKeyboard();
    void Centre();
    void CentreWithFrame();
    QWidget* FirstFocus() const;
    void FinishUnload();

    FormDesign design_;
    QHash<QString, QObject*> controls_;
    QSet<const QWidget*> hiddenFromScreenReaders_;
    bool unloaded_ = false;
    bool centreOnFrame_ = false;
};

}  // namespace gui
