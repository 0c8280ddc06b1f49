#include "gui/Accessible.h"

#include <QAccessibleWidget>

#include "gui/Controls.h"
#include "gui/Form.h"

namespace gui {

namespace {

// A window: the main window is a frame, a dialog-bordered one a dialog.
// Controls the form marks as decoration are left out of its children.
class FormInterface : public QAccessibleWidget {
public:
    explicit FormInterface(Form* form)
        : QAccessibleWidget(form, form->Design().borderStyle == BorderStyle::FixedDialog
                                      ? QAccessible::Dialog
                                      : QAccessible::Window) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.modal = widget()->isModal();
        return state;
    }
    int childCount() const override { return int(Children().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = Children();
        if (index < 0 || index >= children.size()) return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        return int(Children().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> Children() const {
        const auto* form = static_cast<const Form*>(widget());
        QList<QWidget*> children;
        for (QObject* object : form->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !form->HiddenFromScreenReaders(child))
                children.append(child);
        }
        return children;
    }
};

// A radio button whose action is a click: it selects the button, clears the
// others of its group and raises Click, once.
class OptionButtonInterface : public QAccessibleWidget {
public:
    explicit OptionButtonInterface(OptionButton* button)
        : QAccessibleWidget(button, QAccessible::RadioButton) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Button()->isChecked();
        return state;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != pressAction() && action != toggleAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        if (Button()->isEnabled()) Button()->click();
    }

private:
    OptionButton* Button() const { return static_cast<OptionButton*>(widget()); }
};

// A caption; a label that opens an address is a link whose action is the
// label's click.
class LabelInterface : public QAccessibleWidget {
public:
    explicit LabelInterface(Label* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QAccessible::Role role() const override {
        return TheLabel()->IsLink() ? QAccessible::Link : QAccessible::StaticText;
    }

    QStringList actionNames() const override {
        if (!TheLabel()->IsLink()) return QAccessibleWidget::actionNames();
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (!TheLabel()->IsLink() || action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        if (TheLabel()->isEnabled()) emit TheLabel()->Click();
    }

private:
    Label* TheLabel() const { return static_cast<Label*>(widget()); }
};

// A box the user cannot edit (a disabled one): its text can be read, and it
// is read-only, not editable, as Qt's own line edit would not say. Each
// character has its place on the screen, so that a screen reader's review
// of the window finds the text where it is shown.
class ReadOnlyTextBoxInterface : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadOnlyTextBoxInterface(TextBox* box)
        : QAccessibleWidget(box, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        return state;
    }
    QString text(QAccessible::Text type) const override {
        return type == QAccessible::Value ? Box()->text() : QAccessibleWidget::text(type);
    }

    // QAccessibleTextInterface: the whole text, with no selection and no caret.
    QString text(int start, int end) const override {
        return Box()->text().mid(start, end - start);
    }
    int characterCount() const override { return int(Box()->text().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int offset) const override {
        const QRect rect = Box()->CharacterRect(offset);
        return rect.isNull() ? rect : rect.translated(Box()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint& point) const override {
        return Box()->CharacterAt(Box()->mapFromGlobal(point));
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

private:
    TextBox* Box() const { return static_cast<TextBox*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String(Form::staticMetaObject.className()))
        return new FormInterface(static_cast<Form*>(object));
    const ControlKindInfo* kind = KindInfoOf(className.toLatin1().constData());
    return kind && kind->accessible ? kind->accessible(object) : nullptr;
}

}  // namespace

QAccessibleInterface* OptionButtonAccessible(QObject* control) {
    return new OptionButtonInterface(static_cast<OptionButton*>(control));
}

QAccessibleInterface* LabelAccessible(QObject* control) {
    return new LabelInterface(static_cast<Label*>(control));
}

QAccessibleInterface* TextBoxAccessible(QObject* control) {
    auto* box = static_cast<TextBox*>(control);
    return box->isReadOnly() ? new ReadOnlyTextBoxInterface(box) : nullptr;
}

QAccessibleInterface* ImageAccessible(QObject* control) {
    return new QAccessibleWidget(static_cast<QWidget*>(control), QAccessible::Graphic);
}

void InstallAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

void RenewAccessibleInterface(QWidget& widget) {
    if (QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(face));
}

void TellScreenReadersPresent(QWidget& control, bool present) {
    QAccessibleEvent event(&control,
                           present ? QAccessible::ObjectCreated : QAccessible::ObjectDestroyed);
    QAccessible::updateAccessibility(&event);
}

void KeepReachableByScreenReaders() {
    // Qt 6.4 looks at the desktop's screen-reader switch once, at start, and
    // does not follow it later; with this it always offers its tree on the
    // accessibility bus, whenever that bus is (or comes) up.
    if (!qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"))
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
}

}  // namespace gui
