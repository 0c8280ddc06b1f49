#pragma once

// The controls a Form builds from its design. Each is a Qt widget whose
// objectName is its designer name (array members: "Image3_0" and so on).

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextLayout>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "gui/Design.h"
#include "gui/Picture.h"

namespace gui {

// A windowless control that raises Click when the left button is pressed
// and released on it.
class Clickable : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A press that is to make no click, such as a double click's second.
    void ForgetPress() { pressed_ = false; }
    bool Pressed() const { return pressed_; }

private:
    bool pressed_ = false;
};

// A caption laid out inside the label's fixed box, wrapped at word breaks
// and cut off at the box's edges. Opaque labels fill the box with their back
// colour; transparent ones show what lies behind.
class Label : public Clickable {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    QString Caption() const;
    void SetCaption(const QString& caption);
    QColor ForeColor() const;
    void SetForeColor(const QColor& colour);
    void SetBackColor(const QColor& colour);
    void SetBackStyle(BackStyle style);
    void SetAlignment(Alignment alignment);
    // A link opens an address when clicked; a screen reader offers the click
    // as its action. It also takes the keyboard focus, showing a focus
    // rectangle around its caption, and Return or Space click it.
    bool IsLink() const { return link_; }
    void SetLink(bool link);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool link_ = false;
    QString caption_;
    QColor foreColor_ = Qt::black;
    QColor backColor_ = Qt::white;
    BackStyle backStyle_ = BackStyle::Opaque;
    Alignment alignment_ = Alignment::Left;
};

// A text box whose MaxLength binds only what the user enters (typing, input
// methods, pasting, dropping, the context menu), counted in UTF-16 units as
// QString::size() counts them, never splitting a surrogate pair; SetText may
// set any length. Change is raised on every change of the text.
// A text set by SetText shows its beginning.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);
    QString Text() const;
    void SetText(const QString& text);
    int MaxLength() const;
    void SetMaxLength(int length);  // 0: no limit
    // Where the character at offset is drawn, in the box's coordinates
    // (empty past the end), and the offset of the character drawn at a
    // point (-1: none), from the layout the line edit draws its text with.
    // The text shows its beginning, as a box whose cursor stays at 0 does.
    QRect CharacterRect(int offset) const;
    int CharacterAt(const QPoint& point) const;
signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Qt's own limit would bind SetText too; MaxLength binds only the user.
    using QLineEdit::setMaxLength;

    // Characters the user may still add in place of the selection.
    int Room(int replaced) const;
    QRect TextLineRect() const;
    // The displayed text laid out as the line edit lays it out.
    const QTextLayout& Layout() const;
    QString Fitted(const QString& text, int replaced) const;
    void PasteFitted(QClipboard::Mode mode);

    int maxLength_ = 0;
    mutable std::unique_ptr<QTextLayout> layout_;  // made when asked
    mutable int lineHeight_ = 0;                   // of the layout's line
};

// One group per form: selecting one clears the others. SetValue(true)
// selects, clears the others and raises Click before it returns. The group
// is one Tab stop, its selected button; the arrow keys move within it. A
// button that takes the keyboard focus (arrow keys, first focus, Tab while
// none is selected) becomes selected and raises Click. Click is raised only
// when the button becomes selected, never for a button that already was.
// The whole rectangle answers the mouse.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionButton(QWidget* parent = nullptr);
    bool Value() const;
    void SetValue(bool value);
    // Takes the keyboard focus as the Tab key gives it, selecting the button,
    // also while the window is not yet active (the first focus at showing).
    void TakeFocus();
    // Whether the design gives the button a place in the tab order.
    void SetTabStop(bool tabStop);
signals:
    void Click();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void nextCheckState() override;
    bool hitButton(const QPoint& position) const override;

private:
    // Checking directly would clear no other button and raise no Click.
    using QRadioButton::setChecked;

    QList<OptionButton*> Group() const;
    void Select();
    void MoveInGroup(int step);
    void UpdateTabStop();

    bool selectedByClick_ = false;
    bool tabStop_ = true;
};

// Command buttons are drawn in their back colour with a centred caption;
// none is the default or cancel button unless the design says so.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);
    void SetBackColor(const QColor& colour);
    // Graphical: drawn by hand, filled with the back colour, with a raised
    // edge (sunken while pressed), instead of in the style's own look.
    void SetGraphical(bool graphical);
signals:
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool graphical_ = false;
    QColor backColor_ = QColor(236, 233, 216);
};

// Unstretched: takes the size of its picture at its Left and Top; shows
// nothing while it holds no picture, and a screen reader finds nothing there
// either; transparent pixels show what lies behind.
// A double click raises Click once, then DblClick.
class Image : public Clickable {
    Q_OBJECT
public:
    explicit Image(QWidget* parent = nullptr);
    const Picture& GetPicture() const;
    void SetPicture(const Picture& picture);
signals:
    void DblClick();
    // The left button, pressed on the picture, moved as far as a drag needs;
    // the press then makes no click.
    void OLEStartDrag();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Picture picture_;
    QPoint pressedAt_;
};

// A thin rectangle outline, transparent inside, drawn over what it touches;
// it takes no mouse input.
class Shape : public QWidget {
    Q_OBJECT
public:
    explicit Shape(QWidget* parent = nullptr);
    QColor BorderColor() const { return borderColor_; }
    void SetBorderColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor borderColor_ = Qt::black;
};

class Frame : public QWidget {
    Q_OBJECT
public:
    explicit Frame(QWidget* parent = nullptr);
    void SetBackColor(const QColor& colour);
};

// Raises Timer every Interval milliseconds while its form is loaded.
class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr);
    int Interval() const;
    void SetInterval(int milliseconds);
    bool Enabled() const;
    void SetEnabled(bool enabled);
signals:
    void Tick();

private:
    void Restart();

    QTimer timer_;
    bool enabled_ = true;
};

}  // namespace gui
