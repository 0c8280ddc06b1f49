#include "gui/Controls.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>
#include <algorithm>
#include <climits>

#include "gui/Accessible.h"

namespace gui {

namespace {

Qt::Alignment ToQt(Alignment alignment) {
    switch (alignment) {
        case Alignment::Center:
            return Qt::AlignHCenter;
        case Alignment::Right:
            return Qt::AlignRight;
        case Alignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

bool Inside(const QWidget& widget, const QMouseEvent& event) {
    return widget.rect().contains(event.position().toPoint());
}

// Whether a key press would put its text into a line edit: as Qt decides it,
// but erring towards yes, so that format, private-use and surrogate-pair
// characters count as well as printable ones.
bool InsertsText(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.isEmpty()) return false;
    const QChar first = text.front();
    if (first.category() == QChar::Other_Format) return true;
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers & Qt::MetaModifier) return false;
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    return first.category() != QChar::Other_Control;
}

// The last word on MaxLength, for every way an edit can reach the text (the
// context menu's control characters among them): an edit that leaves more
// than MaxLength units is undone by the line edit, with no change raised.
class LengthLimit : public QValidator {
public:
    explicit LengthLimit(TextBox* box) : QValidator(box), box_(box) {}
    State validate(QString& input, int&) const override {
        const int limit = box_->MaxLength();
        return limit > 0 && input.size() > limit ? Invalid : Acceptable;
    }

private:
    const TextBox* box_;
};

}  // namespace

// ---- Clickable ----

void Clickable::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void Clickable::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && Inside(*this, *event);
    pressed_ = false;
    if (click) emit Click();
}

// ---- Label ----

Label::Label(QWidget* parent) : Clickable(parent) {
    setFocusPolicy(Qt::NoFocus);
}

QString Label::Caption() const {
    return caption_;
}

void Label::SetCaption(const QString& caption) {
    caption_ = caption;
    setAccessibleName(caption);  // the label draws its caption itself
    update();
}

QColor Label::ForeColor() const {
    return foreColor_;
}

void Label::SetForeColor(const QColor& colour) {
    foreColor_ = colour;
    update();
}

void Label::SetBackColor(const QColor& colour) {
    backColor_ = colour;
    update();
}

void Label::SetBackStyle(BackStyle style) {
    backStyle_ = style;
    update();
}

void Label::SetLink(bool link) {
    link_ = link;
    setFocusPolicy(link ? Qt::TabFocus : Qt::NoFocus);  // a click opens, it does not focus
}

void Label::SetAlignment(Alignment alignment) {
    alignment_ = alignment;
    update();
}

void Label::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (backStyle_ == BackStyle::Opaque) painter.fillRect(rect(), backColor_);
    painter.setPen(foreColor_);
    painter.setFont(font());
    const int flags = int(ToQt(alignment_) | Qt::AlignTop | Qt::TextWordWrap);
    QRect drawn;
    painter.drawText(rect(), flags, caption_, &drawn);
    if (hasFocus()) {
        painter.setPen(QPen(foreColor_, 1, Qt::DotLine));
        painter.drawRect(drawn.adjusted(-1, 0, 0, -1).intersected(rect().adjusted(0, 0, -1, -1)));
    }
}

void Label::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (link_ && !event->isAutoRepeat() &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        event->accept();
        emit Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- TextBox ----

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &TextBox::Change);
    setValidator(new LengthLimit(this));
}

QString TextBox::Text() const {
    return text();
}

void TextBox::SetText(const QString& text) {
    setText(text);
    setCursorPosition(0);
}

int TextBox::MaxLength() const {
    return maxLength_;
}

void TextBox::SetMaxLength(int length) {
    maxLength_ = length < 0 ? 0 : length;
}

// As QLineEdit lays out its line: inside the style's contents rectangle and
// the text margins, 2 pixels in from either side, centred vertically.
QRect TextBox::TextLineRect() const {
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
                               .marginsRemoved(textMargins());
    Layout();  // brings lineHeight_ up to date
    const int height = lineHeight_;
    return QRect(contents.x() + 2, contents.y() + (contents.height() - height + 1) / 2,
                 contents.width() - 4, height);
}

const QTextLayout& TextBox::Layout() const {
    if (layout_ && layout_->text() == displayText() && layout_->font() == font()) return *layout_;
    layout_ = std::make_unique<QTextLayout>(displayText(), font());
    const QFontMetrics metrics = fontMetrics();
    lineHeight_ = std::max(metrics.boundingRect(displayText()).height(), metrics.height());
    QTextOption option;
    option.setTextDirection(layoutDirection());
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout_->setTextOption(option);
    layout_->beginLayout();
    layout_->createLine();
    layout_->endLayout();
    return *layout_;
}

QRect TextBox::CharacterRect(int offset) const {
    if (offset < 0 || offset >= displayText().size()) return {};
    const QTextLine line = Layout().lineAt(0);
    const QRect box = TextLineRect();
    const qreal from = line.cursorToX(offset), to = line.cursorToX(offset + 1);
    const int left = box.x() + qRound(std::min(from, to));
    const int right = box.x() + qRound(std::max(from, to));
    return QRect(left, box.y(), std::max(1, right - left), box.height());
}

int TextBox::CharacterAt(const QPoint& point) const {
    const QRect box = TextLineRect();
    if (point.y() < box.top() || point.y() > box.bottom()) return -1;
    const int offset =
        Layout().lineAt(0).xToCursor(point.x() - box.x(), QTextLine::CursorOnCharacter);
    return CharacterRect(offset).contains(point) ? offset : -1;
}

int TextBox::Room(int replaced) const {
    if (maxLength_ <= 0) return INT_MAX;
    return std::max(0, maxLength_ - (int(text().size()) - replaced));
}

QString TextBox::Fitted(const QString& text, int replaced) const {
    int room = Room(replaced);
    if (room >= text.size()) return text;
    // Never split a surrogate pair.
    if (room > 0 && text.at(room - 1).isHighSurrogate()) --room;
    return text.left(room);
}

void TextBox::PasteFitted(QClipboard::Mode mode) {
    if (isReadOnly() || !isEnabled()) return;
    const QString clip = QGuiApplication::clipboard()->text(mode);
    const QString fitted = Fitted(clip, int(selectedText().size()));
    if (fitted.isEmpty() && !hasSelectedText()) return;
    insert(fitted);
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        PasteFitted(QClipboard::Clipboard);
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (InsertsText(*event) && !isReadOnly() &&
        Fitted(typed, int(selectedText().size())).size() < typed.size()) {
        event->accept();  // refused: the box is full
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TextBox::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    const QString fitted = Fitted(commit, int(selectedText().size()) + event->replacementLength());
    if (fitted.size() == commit.size()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent cut(event->preeditString(), event->attributes());
    cut.setCommitString(fitted, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&cut);
    event->accept();
}

void TextBox::mouseReleaseEvent(QMouseEvent* event) {
    // On X11 the middle button pastes the selection; it must fit as well.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() &&
        !isReadOnly()) {
        deselect();
        PasteFitted(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TextBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    if (!menu) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The standard menu's paste action is the one wired to paste(), whatever
    // its translated text; it pastes what fits instead.
    for (QAction* action : menu->actions()) {
        if (disconnect(action, SIGNAL(triggered()), this, SLOT(paste())))
            connect(action, &QAction::triggered, this,
                    [this] { PasteFitted(QClipboard::Clipboard); });
    }
    menu->popup(event->globalPos());
}

void TextBox::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (isReadOnly() || !data || !data->hasText()) {
        QLineEdit::dropEvent(event);
        return;
    }
    // A text moved within the box leaves its old place.
    const bool moveWithin = event->source() == this && event->dropAction() == Qt::MoveAction;
    const QString dropped = data->text();
    const QString fitted = Fitted(dropped, moveWithin ? int(selectedText().size()) : 0);
    if (fitted.size() == dropped.size()) {
        QLineEdit::dropEvent(event);
        return;
    }
    if (fitted.isEmpty()) {
        event->ignore();
        return;
    }
    QMimeData cut;
    cut.setText(fitted);
    QDropEvent shortened(event->position(), event->possibleActions(), &cut, event->buttons(),
                         event->modifiers(), event->type());
    shortened.setDropAction(event->dropAction());
    QLineEdit::dropEvent(&shortened);
    event->setDropAction(shortened.dropAction());
    event->setAccepted(shortened.isAccepted());
}

// ---- OptionButton ----

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent) {
    // The group is kept here rather than by Qt's auto-exclusivity, which
    // would also take every unselected button out of the Tab order.
    setAutoExclusive(false);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::toggled, this, [this] {
        for (OptionButton* button : Group()) button->UpdateTabStop();
    });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (!selectedByClick_) return;
        selectedByClick_ = false;
        emit Click();
    });
}

bool OptionButton::Value() const {
    return isChecked();
}

void OptionButton::SetValue(bool value) {
    if (!value) {
        setChecked(false);
        return;
    }
    if (isChecked()) return;
    Select();
    emit Click();
}

void OptionButton::SetTabStop(bool tabStop) {
    tabStop_ = tabStop;
    UpdateTabStop();
}

// The group is one Tab stop: its selected button, or each button while none
// is selected. The others still take the focus from a click or an arrow key.
void OptionButton::UpdateTabStop() {
    const QList<OptionButton*> group = Group();
    const bool noneSelected = std::none_of(
        group.begin(), group.end(), [](const OptionButton* button) { return button->isChecked(); });
    setFocusPolicy(tabStop_ && (isChecked() || noneSelected) ? Qt::StrongFocus : Qt::ClickFocus);
}

// The whole rectangle answers the mouse, not only the circle.
bool OptionButton::hitButton(const QPoint& position) const {
    return rect().contains(position);
}

void OptionButton::TakeFocus() {
    setFocus(Qt::TabFocusReason);
    // While the window is not active Qt only remembers the focus; the
    // button takes it all the same.
    if (!isChecked()) {
        Select();
        emit Click();
    }
}

// The buttons of one container (the window or a frame), in tab order.
QList<OptionButton*> OptionButton::Group() const {
    QList<OptionButton*> group;
    QWidget* form = window();
    for (QWidget* widget = form->nextInFocusChain(); widget && widget != form;
         widget = widget->nextInFocusChain()) {
        auto* button = qobject_cast<OptionButton*>(widget);
        if (button && button->parentWidget() == parentWidget()) group.append(button);
    }
    return group;
}

void OptionButton::Select() {
    for (OptionButton* other : Group()) {
        if (other != this && other->isChecked()) other->setChecked(false);
    }
    setChecked(true);
}

void OptionButton::nextCheckState() {
    // A click selects; it never clears a selected button.
    if (isChecked()) return;
    Select();
    selectedByClick_ = true;
}

void OptionButton::focusInEvent(QFocusEvent* event) {
    QRadioButton::focusInEvent(event);
    // A mouse press is followed by its click; every other way of taking the
    // focus selects the button at once.
    if (event->reason() == Qt::MouseFocusReason || isChecked()) return;
    Select();
    emit Click();
}

void OptionButton::MoveInGroup(int step) {
    QList<OptionButton*> group = Group();
    group.removeIf([this](OptionButton* button) {
        return button != this && (!button->isEnabled() || !button->isVisibleTo(window()));
    });
    if (group.size() < 2) return;
    const qsizetype here = group.indexOf(const_cast<OptionButton*>(this));
    const qsizetype next = (here + step + group.size()) % group.size();
    group[next]->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void OptionButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            MoveInGroup(-1);
            event->accept();
            return;
        case Qt::Key_Down:
        case Qt::Key_Right:
            MoveInGroup(+1);
            event->accept();
            return;
        default:
            QRadioButton::keyPressEvent(event);
    }
}

// ---- CommandButton ----

CommandButton::CommandButton(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &CommandButton::Click);
}

void CommandButton::SetGraphical(bool graphical) {
    graphical_ = graphical;
    update();
}

void CommandButton::paintEvent(QPaintEvent* event) {
    if (!graphical_) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect box = rect();
    painter.fillRect(rect(), backColor_);
    const bool sunken = isDown();
    const QColor light = sunken ? QColor(Qt::black) : QColor(Qt::white);
    const QColor dark = sunken ? QColor(Qt::white) : QColor(Qt::black);
    painter.setPen(light);
    painter.drawLine(box.topLeft(), box.topRight());
    painter.drawLine(box.topLeft(), box.bottomLeft());
    painter.setPen(dark);
    painter.drawLine(box.bottomLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomRight());
    painter.setPen(backColor_.darker(150));
    const QRect inner = box.adjusted(1, 1, -1, -1);
    if (sunken) {
        painter.drawLine(inner.topLeft(), inner.topRight());
        painter.drawLine(inner.topLeft(), inner.bottomLeft());
    } else {
        painter.drawLine(inner.bottomLeft(), inner.bottomRight());
        painter.drawLine(inner.topRight(), inner.bottomRight());
    }
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.setFont(font());
    const QRect label = sunken ? rect().translated(1, 1) : rect();
    painter.drawText(label, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    if (hasFocus()) {
        QPen dotted(Qt::black, 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void CommandButton::SetBackColor(const QColor& colour) {
    backColor_ = colour;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Button, colour);
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
}

// ---- Image ----

Image::Image(QWidget* parent) : Clickable(parent) {
    setFocusPolicy(Qt::NoFocus);
}

const Picture& Image::GetPicture() const {
    return picture_;
}

void Image::SetPicture(const Picture& picture) {
    const bool wasEmpty = picture_.IsEmpty();
    picture_ = picture;
    if (!picture_.IsEmpty()) resize(picture_.Size());
    update();
    if (wasEmpty != picture_.IsEmpty()) TellScreenReadersPresent(*this, !picture_.IsEmpty());
}

void Image::paintEvent(QPaintEvent*) {
    if (picture_.IsEmpty()) return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_.Pixmap());
}

void Image::mousePressEvent(QMouseEvent* event) {
    Clickable::mousePressEvent(event);
    pressedAt_ = event->position().toPoint();
}

void Image::mouseMoveEvent(QMouseEvent* event) {
    if (!Pressed() || picture_.IsEmpty() || !(event->buttons() & Qt::LeftButton)) return;
    if ((event->position().toPoint() - pressedAt_).manhattanLength() <
        QApplication::startDragDistance())
        return;
    ForgetPress();
    emit OLEStartDrag();
}

void Image::mouseDoubleClickEvent(QMouseEvent* event) {
    ForgetPress();
    if (event->button() == Qt::LeftButton) emit DblClick();
}

// ---- Shape ----

Shape::Shape(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void Shape::SetBorderColor(const QColor& colour) {
    borderColor_ = colour;
    update();
}

// The outline is one device pixel thick on every side, at every scale. A pen
// of width 1 would grow with the scale and, centred on the edge, lose half of
// itself on the top and left; four strips one device pixel wide just inside
// the edges give the same pixels as that pen at 96 DPI.
void Shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal line = 1 / devicePixelRatioF();
    const qreal w = width(), h = height();
    painter.fillRect(QRectF(0, 0, w, line), borderColor_);
    painter.fillRect(QRectF(0, h - line, w, line), borderColor_);
    painter.fillRect(QRectF(0, 0, line, h), borderColor_);
    painter.fillRect(QRectF(w - line, 0, line, h), borderColor_);
}

// ---- Frame ----

Frame::Frame(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
}

void Frame::SetBackColor(const QColor& colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
}

// ---- Timer ----

Timer::Timer(QObject* parent) : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, &Timer::Tick);
}

int Timer::Interval() const {
    return timer_.interval();
}

void Timer::SetInterval(int milliseconds) {
    timer_.setInterval(std::max(0, milliseconds));
    Restart();
}

bool Timer::Enabled() const {
    return enabled_;
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Restart();
}

// A timer runs while it is enabled and its interval is not 0.
void Timer::Restart() {
    if (enabled_ && timer_.interval() > 0)
        timer_.start();
    else
        timer_.stop();
}

}  // namespace gui
