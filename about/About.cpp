#include "about/About.h"

#include <QPointer>
#include <cmath>

#include "gui/Controls.h"
#include "gui/Shell.h"
#include "gui/Taskbar.h"
#include "gui/core/Random.h"
#include "urls/Urls.h"

using gui::Colour;
using gui::ControlDesign;
using gui::ControlKind;
using gui::Font;

namespace {

const Colour kBack = Colour::Rgb(255, 192, 128);

// A transparent label; the caller fills in what differs.
ControlDesign Label(const QString& name, const QString& caption, int left, int top, int width,
                    int height, Colour fore, int tabIndex) {
    ControlDesign label;
    label.name = name;
    label.kind = ControlKind::Label;
    label.caption = caption;
    label.left = left;
    label.top = top;
    label.width = width;
    label.height = height;
    label.foreColor = fore;
    label.backStyle = gui::BackStyle::Transparent;
    label.tabIndex = tabIndex;
    return label;
}

Font Arial(double points, bool bold, bool underline = false) {
    return Font{QStringLiteral("Arial"), points, bold, underline};
}

ControlDesign Command1() {
    ControlDesign button;
    button.name = QStringLiteral("Command1");
    button.kind = ControlKind::CommandButton;
    button.caption = QStringLiteral("OK");
    button.left = 1920;
    button.top = 4080;
    button.width = 975;
    button.height = 495;
    button.backColor = kBack;
    button.graphical = true;
    button.cancel = true;
    button.tabIndex = 3;
    return button;
}

ControlDesign Frame1() {
    ControlDesign frame;
    frame.name = QStringLiteral("Frame1");
    frame.kind = ControlKind::Frame;
    frame.left = 120;
    frame.top = 1920;
    frame.width = 4815;
    frame.height = 1455;
    frame.backColor = Colour::Rgb(64, 64, 64);
    frame.tabIndex = 0;
    return frame;
}

ControlDesign Label10() {
    ControlDesign label = Label(QStringLiteral("Label10"), QStringLiteral("  WARNING..."), 120, 200,
                                4335, 255, Colour::Rgb(192, 192, 192), 2);
    label.alignment = gui::Alignment::Center;
    label.container = QStringLiteral("Frame1");
    return label;
}

// The warning itself, under its heading in the dark box.
ControlDesign Label9() {
    ControlDesign label = Label(
        QStringLiteral("Label9"),
        QStringLiteral("This program is protected by copyright law. Unauthorised copying or "
                       "distribution of it, or of any part of it, may result in civil and "
                       "criminal penalties."),
        120, 480, 4575, 855, Colour::Rgb(192, 192, 192), 1);
    label.alignment = gui::Alignment::Center;
    label.container = QStringLiteral("Frame1");
    return label;
}

ControlDesign Timer1() {
    ControlDesign timer;
    timer.name = QStringLiteral("Timer1");
    timer.kind = ControlKind::Timer;
    timer.interval = 200;
    timer.timerEnabled = true;
    return timer;
}

ControlDesign Label1() {
    ControlDesign label = Label(QStringLiteral("Label1"), QStringLiteral("Ketro's Yarvo Dururive"),
                                240, 110, 3975, 495, Colour::Rgb(192, 64, 0), 10);
    label.font = Arial(12, true);
    return label;
}

ControlDesign Label2() {
    return Label(QStringLiteral("Label2"), QStringLiteral("Version 1.0.0"), 240, 720, 3375, 375,
                 Colour::Rgb(0, 0, 0), 9);
}

ControlDesign Label3() {
    ControlDesign label = Label(QStringLiteral("Label3"), QStringLiteral("Designed and Developed by:"),
                                240, 1440, 2655, 375, Colour::System(7), 8);
    label.font = Arial(9.75, false);
    return label;
}

ControlDesign Label4() {
    ControlDesign label = Label(QStringLiteral("Label4"), QStringLiteral("Ketro Vos"), 3500, 1420,
                                1575, 375, Colour::Rgb(0, 255, 0), 7);
    label.font = Arial(9.75, true);
    return label;
}

ControlDesign Label5() {
    ControlDesign label = Label(QStringLiteral("Label5"), QString::fromLatin1(AuthorPageUrl), 1320,
                                3600, 3135, 375, Colour::Rgb(0, 0, 255), 6);
    label.font = Arial(9.75, false, true);
    label.mousePointer = Qt::CrossCursor;
    return label;
}

ControlDesign Label6() {
    ControlDesign label = Label(QStringLiteral("Label6"), QStringLiteral("Ketro's Yarvo Dururive"),
                                240, 120, 3255, 495, Colour::Rgb(255, 255, 0), 5);
    label.font = Arial(12, true);
    return label;
}

ControlDesign Label7() {
    ControlDesign label = Label(QStringLiteral("Label7"), QStringLiteral("Ketro Vos"), 3480, 1440,
                                1575, 375, Colour::Rgb(255, 255, 255), 4);
    label.font = Arial(9.75, true);
    return label;
}

}  // namespace

gui::FormDesign About::DesignTable() {
    gui::FormDesign design;
    design.name = QStringLiteral("About");
    design.caption = QStringLiteral("About ");
    design.clientWidth = 5145;
    design.clientHeight = 4890;
    design.backColor = kBack;
    design.borderStyle = gui::BorderStyle::FixedDialog;
    design.minButton = false;
    design.maxButton = false;
    design.showInTaskbar = false;
    design.centred = true;
    design.controls = {Command1(), Frame1(), Label10(), Label9(), Timer1(), Label1(),
                       Label2(),   Label3(), Label4(),  Label5(), Label6(), Label7()};
    return design;
}

About::About(QWidget* parent) : gui::Form(DesignTable(), parent) {
    if (!Design().showInTaskbar) gui::KeepOutOfTaskbar(*this);
    On(QStringLiteral("Timer1"), gui::Event::Timer, [this] { Timer1_Timer(); });
    On(QStringLiteral("Label5"), gui::Event::Click, [this] { Label5_Click(); });
    On(QStringLiteral("Command1"), gui::Event::Click, [this] { Command1_Click(); });
    Describe(QStringLiteral("Command1"), -1, QStringLiteral("OK"), QStringLiteral("Closes this window"));
    Describe(QStringLiteral("Label5"), -1, QString::fromLatin1(AuthorPageUrl),
             QStringLiteral("Click to open the author's page"));
    Form_Load();
}

void About::ShowAbout() {
    QPointer<About> about = new About;
    about->ShowModal();
    // Unloading destroys the window; one left standing by the modal loop
    // must not outlive its showing.
    if (about) about->Unload();
}

void About::Form_Load() {}

void About::Timer1_Timer() {
    const int red = int(std::floor(255 * gui::Rnd()));
    const int green = int(std::floor(255 * gui::Rnd()));
    const int blue = int(std::floor(255 * gui::Rnd()));
    Control<gui::Label>(QStringLiteral("Label4")).SetForeColor(QColor(red, green, blue));
}

void About::Label5_Click() {
    gui::ShellOpen(this, QStringLiteral("open"), QString::fromLatin1(AuthorPageUrl));
}

void About::Command1_Click() { Unload(); }
