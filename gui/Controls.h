#pragma once

// The controls a Form builds from its design. Each is a Qt widget whose
// objectName is its designer name (array members: "Image3_0" and so on).

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include "gui/Picture.h"

namespace gui {

class Label : public QWidget {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    QString Caption() const;
    void SetCaption(const QString& caption);
    QColor ForeColor() const;
    void SetForeColor(const QColor& colour);
signals:
    void Click();
};

// A text box whose MaxLength binds only what the user types, pastes or drops;
// SetText may set any length. Change is raised on every change of the text.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);
    QString Text() const;
    void SetText(const QString& text);
    int MaxLength() const;
    void SetMaxLength(int length);  // 0: no limit
signals:
    void Change();
};

// One group per form: selecting one clears the others. SetValue(true)
// selects, clears the others and raises Click before it returns. A button
// that takes the keyboard focus (Tab, arrow keys, first focus) becomes
// selected and raises Click.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionButton(QWidget* parent = nullptr);
    bool Value() const;
    void SetValue(bool value);
signals:
    void Click();
};

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);
signals:
    void Click();
};

// Unstretched: takes the size of its picture at its Left and Top; shows
// nothing while it holds no picture; transparent pixels show what lies behind.
class Image : public QWidget {
    Q_OBJECT
public:
    explicit Image(QWidget* parent = nullptr);
    const Picture& GetPicture() const;
    void SetPicture(const Picture& picture);
signals:
    void Click();
    void DblClick();
};

// A thin rectangle outline, transparent inside, drawn over what it touches;
// it takes no mouse input.
class Shape : public QWidget {
    Q_OBJECT
public:
    explicit Shape(QWidget* parent = nullptr);
};

class Frame : public QWidget {
    Q_OBJECT
public:
    explicit Frame(QWidget* parent = nullptr);
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
};

}  // namespace gui
