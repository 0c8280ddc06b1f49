#include "gui/Form.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QMoveEvent>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QWindow>
#include <algorithm>

#include "gui/Accessible.h"
#include "gui/Controls.h"
#include "gui/Dispatch.h"
#include "gui/Services.h"
#include "gui/Taskbar.h"
#include "gui/core/RuntimeError.h"

namespace gui {

namespace {

QString Key(const QString& name, int index) {
    return index < 0 ? name : name + QLatin1Char('_') + QString::number(index);
}

Qt::WindowFlags FlagsFor(const FormDesign& design) {
    Qt::WindowFlags flags =
        design.borderStyle == BorderStyle::FixedDialog ? Qt::Dialog : Qt::Window;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
             Qt::WindowCloseButtonHint;
    if (design.minButton) flags |= Qt::WindowMinimizeButtonHint;
    if (design.maxButton) flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

// Windowed controls take the keyboard focus and a place in the tab order.
bool Windowed(const QObject* control) {
    const ControlKindInfo* kind = KindInfoOf(control);
    return kind && kind->windowed;
}

}  // namespace

Form::Form(const FormDesign& design, QWidget* parent)
    : QWidget(parent, FlagsFor(design)), design_(design) {
    InstallAccessibleInterfaces();
    setObjectName(design.name);
    setWindowTitle(design.caption);
    setFont(DefaultFont().ToQFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, design.backColor.ToQColor());
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(TwipsToPixels(design.clientWidth), TwipsToPixels(design.clientHeight));

    // Frames first, so that the controls they hold can be placed in them.
    for (const ControlDesign& control : design.controls)
        if (control.kind == ControlKind::Frame) Build(control);
    for (const ControlDesign& control : design.controls)
        if (control.kind != ControlKind::Frame) Build(control);
    Arrange();
    if (!design.showInTaskbar) KeepOutOfTaskbar(*this);
}

Form::~Form() = default;

void Form::Build(const ControlDesign& control) {
    const QString key = Key(control.name, control.index);
    if (controls_.contains(key))
        throw runtime::RuntimeError(QStringLiteral("Form"), key,
                                    QStringLiteral("Two controls of one name"));
    QWidget* container = this;
    if (!control.container.isEmpty()) {
        container = qobject_cast<Frame*>(controls_.value(control.container));
        if (!container)
            throw runtime::RuntimeError(
                QStringLiteral("Form"), key,
                QStringLiteral("No frame '%1' to hold it").arg(control.container));
    }
    QObject* built = KindInfo(control.kind, control.name).build(control, container, *this);
    built->setObjectName(key);
    if (auto* widget = qobject_cast<QWidget*>(built)) {
        if (control.font) widget->setFont(control.font->ToQFont());
        if (control.mousePointer) widget->setCursor(*control.mousePointer);
    }
    controls_.insert(key, built);
}

// Stacking from the design's front-to-back list, and the tab order.
void Form::Arrange() {
    for (auto it = design_.controls.rbegin(); it != design_.controls.rend(); ++it) {
        auto* widget = qobject_cast<QWidget*>(controls_.value(Key(it->name, it->index)));
        if (!widget) continue;
        widget->raise();
        if (!Windowed(widget)) continue;
        const bool tabStop = it->tabStop && it->tabIndex >= 0;
        if (auto* option = qobject_cast<OptionButton*>(widget))
            option->SetTabStop(tabStop);
        else if (!it->enabled)
            widget->setFocusPolicy(Qt::NoFocus);  // it could not take the focus anyway
        else
            widget->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    }
    OrderTabStops();
}

// The controls that can take the focus, links among them, by tab index.
void Form::OrderTabStops() {
    std::vector<const ControlDesign*> tabbed;
    for (auto it = design_.controls.rbegin(); it != design_.controls.rend(); ++it) {
        auto* widget = qobject_cast<QWidget*>(controls_.value(Key(it->name, it->index)));
        const auto* label = qobject_cast<Label*>(widget);
        if (it->tabIndex >= 0 && (Windowed(widget) || (label && label->IsLink())))
            tabbed.push_back(&*it);
    }
    std::stable_sort(
        tabbed.begin(), tabbed.end(),
        [](const ControlDesign* a, const ControlDesign* b) { return a->tabIndex < b->tabIndex; });
    for (size_t i = 1; i < tabbed.size(); ++i) {
        setTabOrder(
            qobject_cast<QWidget*>(controls_.value(Key(tabbed[i - 1]->name, tabbed[i - 1]->index))),
            qobject_cast<QWidget*>(controls_.value(Key(tabbed[i]->name, tabbed[i]->index))));
    }
}

QObject* Form::FindControl(const QString& name, int index) const {
    return controls_.value(Key(name, index));
}

void Form::ThrowNoControl(const QString& name, int index) {
    throw runtime::RuntimeError(QStringLiteral("Form.Control"), Key(name, index),
                                QStringLiteral("No control of that name and kind"));
}

void Form::AddMenuCommand(const QString& name, const QString& caption,
                          const QKeySequence& shortcut) {
    if (controls_.contains(name))
        throw runtime::RuntimeError(QStringLiteral("Form"), name,
                                    QStringLiteral("Two controls of one name"));
    auto* command = new QAction(caption, this);
    command->setObjectName(name);
    command->setShortcut(shortcut);
    command->setShortcutContext(Qt::WindowShortcut);
    if (actions().isEmpty()) {
        // Qt turns the Menu key into a menu request for the focused control;
        // Shift+F10 does the same here.
        auto* request = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
        connect(request, &QShortcut::activated, this, &Form::RequestMenuByKeyboard);
    }
    addAction(command);
    controls_.insert(name, command);
}

void Form::RequestMenuByKeyboard() {
    QWidget* target = focusWidget() ? focusWidget() : this;
    const QPoint at = target->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
    QCoreApplication::sendEvent(target, &request);
}

void Form::EnableMenuCommand(const QString& name, bool enabled, const QString& whyNot) {
    auto* command = qobject_cast<QAction*>(FindControl(name));
    if (!command) ThrowNoControl(name, -1);
    command->setEnabled(enabled);
    // Shown beside the greyed item, and read out by a screen reader.
    command->setToolTip(enabled ? QString() : whyNot);
    command->setStatusTip(enabled ? QString() : whyNot);
}

// The text boxes keep their own menus; a right-click anywhere else, or the
// keyboard's menu request on a control that has no menu, reaches the window.
void Form::contextMenuEvent(QContextMenuEvent* event) {
    if (actions().isEmpty()) return QWidget::contextMenuEvent(event);
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("ContextMenu"));
    menu.setToolTipsVisible(true);
    menu.addActions(actions());
    menu.exec(event->globalPos());
}

void Form::On(const QString& control, Event event, std::function<void()> handler) {
    On(control, -1, event, std::move(handler));
}

void Form::On(const QString& control, int index, Event event, std::function<void()> handler) {
    QObject* object = FindControl(control, index);
    if (!object) ThrowNoControl(control, index);
    const QString name = control + QLatin1Char('_') + EventName(event);
    QMetaObject::Connection connection;
    if (const ControlKindInfo* kind = KindInfoOf(object)) {
        for (const EventSource& source : kind->events) {
            if (source.event != event) continue;
            connection = source.connect(object, this, [name, handler, repeated = source.repeated] {
                Dispatch(name, handler, repeated);
            });
        }
    }
    if (!connection)
        throw runtime::RuntimeError(QStringLiteral("Form.On"), name,
                                    QStringLiteral("The control raises no such event"));
}

void Form::Describe(const QString& control, int index, const QString& name,
                    const QString& description) {
    auto* widget = qobject_cast<QWidget*>(FindControl(control, index));
    if (!widget) ThrowNoControl(control, index);
    Describe(*widget, name, description);
}

void Form::Describe(QWidget& control, const QString& name, const QString& description) {
    // Each setting tells a listening screen reader, changed or not.
    if (control.accessibleName() != name) control.setAccessibleName(name);
    if (control.accessibleDescription() != description)
        control.setAccessibleDescription(description);
}

void Form::DescribeAsLink(const QString& control, const QString& name, const QString& description) {
    Control<Label>(control).SetLink(true);
    OrderTabStops();
    Describe(control, -1, name, description);
}

void Form::HideFromScreenReaders(const QString& control) {
    auto* widget = qobject_cast<QWidget*>(FindControl(control));
    if (!widget) ThrowNoControl(control, -1);
    hiddenFromScreenReaders_.insert(widget);
}

bool Form::HiddenFromScreenReaders(const QWidget* widget) const {
    // An image that shows no picture has nothing to tell.
    if (const auto* image = qobject_cast<const Image*>(widget);
        image && image->GetPicture().IsEmpty())
        return true;
    return hiddenFromScreenReaders_.contains(widget);
}

void Form::Centre() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

// The window manager adds its frame some time after the window is mapped;
// once the frame is known, the whole window, frame included, is centred again.
void Form::CentreWithFrame() {
    if (!centreOnFrame_ || frameGeometry().size() == size()) return;
    centreOnFrame_ = false;
    Centre();
}

void Form::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) CentreWithFrame();
}

QWidget* Form::FirstFocus() const {
    const ControlDesign* best = nullptr;
    QWidget* first = nullptr;
    for (const ControlDesign& control : design_.controls) {
        auto* widget = qobject_cast<QWidget*>(controls_.value(Key(control.name, control.index)));
        if (!widget || control.tabIndex < 0 || (best && best->tabIndex <= control.tabIndex))
            continue;
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() &&
            widget->isVisibleTo(this)) {
            best = &control;
            first = widget;
        }
    }
    return first;
}

void Form::Show() {
    if (design_.centred) {
        Centre();
        centreOnFrame_ = true;
    }
    show();
    CentreWithFrame();  // the frame may be known at once
    QWidget* first = FirstFocus();
    if (auto* option = qobject_cast<OptionButton*>(first))
        option->TakeFocus();
    else if (first)
        first->setFocus(Qt::TabFocusReason);
}

// Wayland lets no window place itself, so a modal window cannot centre
// itself there; tied to the window it was opened from, it is kept above that
// window and placed over it. On X11 windows place themselves, untied.
static void TieToOpener(QWidget& window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    QWindow* opener = QGuiApplication::focusWindow();
    if (!opener) return;
    window.winId();  // makes the native window
    window.windowHandle()->setTransientParent(opener);
}

void Form::ShowModal() {
    QPointer<Form> self(this);
    setWindowModality(Qt::ApplicationModal);
    TieToOpener(*this);
    Show();
    if (!self || unloaded_) return;
    if (const auto& runModal = InstalledServices().runModal) {
        runModal(*this);
        return;
    }
    QEventLoop loop;
    connect(this, &Form::Unloaded, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
}

void Form::Unload() {
    if (unloaded_) return;
    close();
    FinishUnload();  // also when the window was never shown
}

void Form::FinishUnload() {
    if (unloaded_) return;
    unloaded_ = true;
    for (Timer* timer : findChildren<Timer*>()) timer->SetEnabled(false);
    hide();
    emit Unloaded();
    deleteLater();
}

void Form::closeEvent(QCloseEvent* event) {
    event->accept();
    FinishUnload();
}

WId Form::Hwnd() {
    return winId();
}

}  // namespace gui
