#include "gui/ControlKinds.h"

#include <QAction>
#include <QShortcut>

#include "gui/Accessible.h"
#include "gui/Controls.h"
#include "gui/Form.h"
#include "gui/core/RuntimeError.h"

namespace gui {

namespace {

QColor ColourOr(const std::optional<Colour>& colour, const QColor& fallback) {
    return colour ? colour->ToQColor() : fallback;
}

// An opaque control without a back colour of its own takes the form's.
QColor BackOf(const ControlDesign& control, const Form& form) {
    return ColourOr(control.backColor, form.Design().backColor.ToQColor());
}

// A new control of kind T in its container, at its design place and size.
template <class T>
T* Place(const ControlDesign& control, QWidget* container) {
    auto* widget = new T(container);
    widget->setGeometry(TwipsToPixels(control.left), TwipsToPixels(control.top),
                        TwipsToPixels(control.width), TwipsToPixels(control.height));
    return widget;
}

template <class T>
T* PlaceButton(const ControlDesign& control, QWidget* container) {
    T* button = Place<T>(control, container);
    button->setText(control.caption);
    button->setEnabled(control.enabled);
    return button;
}

QObject* BuildLabel(const ControlDesign& control, QWidget* container, Form& form) {
    auto* label = Place<Label>(control, container);
    label->SetCaption(control.caption);
    label->SetForeColor(ColourOr(control.foreColor, Colour::System(8).ToQColor()));
    label->SetBackColor(BackOf(control, form));
    label->SetBackStyle(control.backStyle);
    label->SetAlignment(control.alignment);
    return label;
}

QObject* BuildTextBox(const ControlDesign& control, QWidget* container, Form&) {
    auto* box = Place<TextBox>(control, container);
    box->SetMaxLength(control.maxLength);
    box->SetText(control.caption);
    box->setEnabled(control.enabled);
    // A disabled box cannot be edited either way; read-only, a screen reader
    // says so too.
    box->setReadOnly(!control.enabled);
    RenewAccessibleInterface(*box);
    QPalette palette = box->palette();
    const QColor base = ColourOr(control.backColor, Colour::System(5).ToQColor());
    const QColor text = ColourOr(control.foreColor, Colour::System(8).ToQColor());
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, base);
    palette.setColor(QPalette::Active, QPalette::Text, text);
    palette.setColor(QPalette::Inactive, QPalette::Text, text);
    palette.setColor(QPalette::Disabled, QPalette::Text, Colour::System(17).ToQColor());
    box->setPalette(palette);
    return box;
}

QObject* BuildOptionButton(const ControlDesign& control, QWidget* container, Form& form) {
    auto* button = PlaceButton<OptionButton>(control, container);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Window, BackOf(control, form));
    button->setPalette(palette);
    button->setBackgroundRole(QPalette::Window);
    button->setAutoFillBackground(true);
    return button;
}

QObject* BuildCommandButton(const ControlDesign& control, QWidget* container, Form& form) {
    auto* button = PlaceButton<CommandButton>(control, container);
    button->SetBackColor(control.graphical
                             ? BackOf(control, form)
                             : ColourOr(control.backColor, Colour::System(15).ToQColor()));
    button->SetGraphical(control.graphical);
    if (control.isDefault) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
            QObject::connect(new QShortcut(key, &form), &QShortcut::activated, button,
                             &QAbstractButton::click);
    }
    if (control.cancel)
        QObject::connect(new QShortcut(Qt::Key_Escape, &form), &QShortcut::activated, button,
                         &QAbstractButton::click);
    return button;
}

QObject* BuildImage(const ControlDesign& control, QWidget* container, Form&) {
    auto* image = Place<Image>(control, container);
    image->SetPicture(LoadPicture(control.picture));
    return image;
}

QObject* BuildShape(const ControlDesign& control, QWidget* container, Form&) {
    auto* shape = Place<Shape>(control, container);
    if (control.foreColor) shape->SetBorderColor(control.foreColor->ToQColor());
    return shape;
}

QObject* BuildFrame(const ControlDesign& control, QWidget* container, Form& form) {
    auto* frame = Place<Frame>(control, container);
    frame->SetBackColor(BackOf(control, form));
    return frame;
}

QObject* BuildTimer(const ControlDesign& control, QWidget*, Form& form) {
    auto* timer = new Timer(&form);
    timer->SetInterval(control.interval);
    timer->SetEnabled(control.timerEnabled);
    return timer;
}

template <class T, auto Signal>
QMetaObject::Connection Raises(QObject* control, QObject* context, std::function<void()> run) {
    return QObject::connect(static_cast<T*>(control), Signal, context, std::move(run));
}

constexpr auto Once = Repeated::ReportOnce;
constexpr auto Every = Repeated::ReportEvery;

const std::vector<ControlKindInfo>& Kinds() {
    static const std::vector<ControlKindInfo> kinds{
        {.kind = ControlKind::Label,
         .type = &Label::staticMetaObject,
         .build = BuildLabel,
         .events = {{Event::Click, Once, Raises<Clickable, &Clickable::Click>}},
         .accessible = LabelAccessible},
        {.kind = ControlKind::TextBox,
         .type = &TextBox::staticMetaObject,
         .windowed = true,
         .build = BuildTextBox,
         .events = {{Event::Change, Once, Raises<TextBox, &TextBox::Change>}},
         .accessible = TextBoxAccessible},
        {.kind = ControlKind::OptionButton,
         .type = &OptionButton::staticMetaObject,
         .windowed = true,
         .build = BuildOptionButton,
         .events = {{Event::Click, Once, Raises<OptionButton, &OptionButton::Click>}},
         .accessible = OptionButtonAccessible},
        {.kind = ControlKind::CommandButton,
         .type = &CommandButton::staticMetaObject,
         .windowed = true,
         .build = BuildCommandButton,
         .events = {{Event::Click, Every, Raises<CommandButton, &CommandButton::Click>}}},
        {.kind = ControlKind::Image,
         .type = &Image::staticMetaObject,
         .build = BuildImage,
         .events = {{Event::Click, Once, Raises<Clickable, &Clickable::Click>},
                    {Event::DblClick, Once, Raises<Image, &Image::DblClick>},
                    // A drag the user began reports each failure, as a press does.
                    {Event::OLEStartDrag, Every, Raises<Image, &Image::OLEStartDrag>}},
         .accessible = ImageAccessible},
        {.kind = ControlKind::Shape, .type = &Shape::staticMetaObject, .build = BuildShape},
        {.kind = ControlKind::Frame, .type = &Frame::staticMetaObject, .build = BuildFrame},
        {.kind = ControlKind::Timer,
         .type = &Timer::staticMetaObject,
         .build = BuildTimer,
         .events = {{Event::Timer, Once, Raises<Timer, &Timer::Tick>}}},
        // Menu commands are added by the form, not built from a design row.
        {.type = &QAction::staticMetaObject,
         .events = {{Event::Click, Every, Raises<QAction, &QAction::triggered>}}},
    };
    return kinds;
}

}  // namespace

QString EventName(Event event) {
    switch (event) {
        case Event::Click:
            return QStringLiteral("Click");
        case Event::DblClick:
            return QStringLiteral("DblClick");
        case Event::Change:
            return QStringLiteral("Change");
        case Event::Timer:
            return QStringLiteral("Timer");
        case Event::OLEStartDrag:
            return QStringLiteral("OLEStartDrag");
    }
    return QStringLiteral("Event");
}

const ControlKindInfo& KindInfo(ControlKind kind, const QString& control) {
    for (const ControlKindInfo& info : Kinds())
        if (info.kind == kind) return info;
    throw runtime::RuntimeError(QStringLiteral("Form"), control,
                                QStringLiteral("Not a control kind"));
}

const ControlKindInfo* KindInfoOf(const char* className) {
    for (const ControlKindInfo& info : Kinds())
        if (qstrcmp(info.type->className(), className) == 0) return &info;
    return nullptr;
}

const ControlKindInfo* KindInfoOf(const QObject* control) {
    return control ? KindInfoOf(control->metaObject()->className()) : nullptr;
}

}  // namespace gui
