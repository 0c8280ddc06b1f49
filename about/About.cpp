#include "about/About.h"

#include <QPointer>
#include <cmath>

#include "about/BackColour.h"
#include "gui/Controls.h"
#include "gui/Dispatch.h"
#include "gui/Shell.h"
#include "gui/core/Random.h"
#include "urls/Urls.h"
#include "version/Version.h"

using gui::Colour;
using gui::ControlKind;
using gui::Font;
using gui::FormDesign;

namespace {

constexpr Colour Grey = Colour::Rgb(192, 192, 192);
constexpr auto Label = ControlKind::Label;
constexpr auto Button = ControlKind::CommandButton;
constexpr auto Frame = ControlKind::Frame;
constexpr auto Timer = ControlKind::Timer;
constexpr auto Transparent = gui::BackStyle::Transparent;
constexpr auto Center = gui::Alignment::Center;

Font Arial(double points, bool bold = false, bool underline = false) {
    return Font{.name = "Arial", .points = points, .bold = bold, .underline = underline};
}

}  // namespace

FormDesign About::DesignTable() {
    // clang-format off
    return FormDesign{
        .name = "About", .caption = "About ", .clientWidth = 5145, .clientHeight = 4890,
        .backColor = BackColour, .borderStyle = gui::BorderStyle::FixedDialog,
        .minButton = false, .maxButton = false, .showInTaskbar = false, .centred = true,
        .controls = {
            {.name = "Command1", .kind = Button, .left = 1920, .top = 4080, .width = 975,  .height = 495,  .caption = "OK", .backColor = BackColour, .tabIndex = 3, .graphical = true, .cancel = true},
            {.name = "Frame1",   .kind = Frame,  .left = 120,  .top = 1920, .width = 4815, .height = 1455, .backColor = Colour::Rgb(64, 64, 64), .tabIndex = 0},
            {.name = "Label10",  .kind = Label,  .left = 120,  .top = 200,  .width = 4335, .height = 255,  .caption = "  WARNING...", .foreColor = Grey, .backStyle = Transparent, .alignment = Center, .tabIndex = 2, .container = "Frame1"},
            // The warning itself, under its heading in the dark box.
            {.name = "Label9",   .kind = Label,  .left = 120,  .top = 480,  .width = 4575, .height = 855,
             .caption = "This program is protected by copyright law. Unauthorised copying or distribution of it, "
                        "or of any part of it, may result in civil and criminal penalties.",
             .foreColor = Grey, .backStyle = Transparent, .alignment = Center, .tabIndex = 1, .container = "Frame1"},
            {.name = "Timer1",   .kind = Timer,  .interval = 200, .timerEnabled = true},
            {.name = "Label1",   .kind = Label,  .left = 240,  .top = 110,  .width = 3975, .height = 495,  .caption = "Ketro's Yarvo Dururive", .font = Arial(12, true), .foreColor = Colour::Rgb(192, 64, 0), .backStyle = Transparent, .tabIndex = 10},
            {.name = "Label2",   .kind = Label,  .left = 240,  .top = 720,  .width = 3375, .height = 375,  .caption = QString("Version ") + ProjectVersion, .foreColor = Colour::Rgb(0, 0, 0), .backStyle = Transparent, .tabIndex = 9},
            {.name = "Label3",   .kind = Label,  .left = 240,  .top = 1440, .width = 2655, .height = 375,  .caption = "Designed and Developed by:", .font = Arial(9.75), .foreColor = Colour::System(7), .backStyle = Transparent, .tabIndex = 8},
            {.name = "Label4",   .kind = Label,  .left = 3500, .top = 1420, .width = 1575, .height = 375,  .caption = "Ketro Vos", .font = Arial(9.75, true), .foreColor = Colour::Rgb(0, 255, 0), .backStyle = Transparent, .tabIndex = 7},
            {.name = "Label5",   .kind = Label,  .left = 1320, .top = 3600, .width = 3135, .height = 375,  .caption = AuthorPageUrl, .font = Arial(9.75, false, true), .foreColor = Colour::Rgb(0, 0, 255), .backStyle = Transparent, .tabIndex = 6, .mousePointer = Qt::CrossCursor},
            {.name = "Label6",   .kind = Label,  .left = 240,  .top = 120,  .width = 3255, .height = 495,  .caption = "Ketro's Yarvo Dururive", .font = Arial(12, true), .foreColor = Colour::Rgb(255, 255, 0), .backStyle = Transparent, .tabIndex = 5},
            {.name = "Label7",   .kind = Label,  .left = 3480, .top = 1440, .width = 1575, .height = 375,  .caption = "Ketro Vos", .font = Arial(9.75, true), .foreColor = Colour::Rgb(255, 255, 255), .backStyle = Transparent, .tabIndex = 4},
        },
    };
    // clang-format on
}

About::About(QWidget* parent)
    : gui::Form(DesignTable(), parent), label4_(Control<gui::Label>(QStringLiteral("Label4"))) {
    On(QStringLiteral("Timer1"), gui::Event::Timer, [this] { Timer1_Timer(); });
    On(QStringLiteral("Label5"), gui::Event::Click, [this] { Label5_Click(); });
    On(QStringLiteral("Command1"), gui::Event::Click, [this] { Command1_Click(); });
    Describe(QStringLiteral("Command1"), -1, QStringLiteral("OK"),
             QStringLiteral("Closes this window"));
    DescribeAsLink(QStringLiteral("Label5"), QString::fromLatin1(AuthorPageUrl),
                   QStringLiteral("Click to open the author's page"));
    // The yellow and white copies of the two-tone title and name.
    HideFromScreenReaders(QStringLiteral("Label6"));
    HideFromScreenReaders(QStringLiteral("Label7"));
    gui::Dispatch(QStringLiteral("Form_Load"), [this] { Form_Load(); });
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
    const int red = int(std::floor(255 * runtime::Rnd()));
    const int green = int(std::floor(255 * runtime::Rnd()));
    const int blue = int(std::floor(255 * runtime::Rnd()));
    label4_.SetForeColor(QColor(red, green, blue));
}

void About::Label5_Click() {
    gui::ShellOpen(this, QStringLiteral("open"), QString::fromLatin1(AuthorPageUrl));
}

void About::Command1_Click() {
    Unload();
}
