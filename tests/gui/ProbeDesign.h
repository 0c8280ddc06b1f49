#pragma once

#include "gui/Design.h"

// A small window with one control of each kind, 200 by 100 pixels.
inline gui::FormDesign ProbeDesign() {
    using gui::ControlKind;
    // clang-format off
    return gui::FormDesign{
        .name = "Probe", .caption = "Probe window", .clientWidth = 3000, .clientHeight = 1500,
        .backColor = gui::Colour::Rgb(10, 200, 30),
        .controls = {
            {.name = "Button1", .kind = ControlKind::CommandButton, .left = 150, .top = 150, .width = 900, .height = 375,
             .caption = "Go", .backColor = gui::Colour::Rgb(220, 0, 0), .tabIndex = 0, .graphical = true},
            {.name = "Text1", .kind = ControlKind::TextBox, .left = 1500, .top = 150, .width = 1200, .height = 375,
             .tabIndex = 1, .maxLength = 5},
            {.name = "Text2", .kind = ControlKind::TextBox, .left = 1500, .top = 1200, .width = 600, .height = 300,
             .caption = "fixed", .tabIndex = 5, .enabled = false},
            {.name = "OptA", .kind = ControlKind::OptionButton, .left = 150, .top = 750, .width = 300, .height = 300,
             .tabIndex = 2},
            {.name = "OptB", .kind = ControlKind::OptionButton, .left = 600, .top = 750, .width = 300, .height = 300,
             .tabIndex = 3},
            {.name = "Shape1", .kind = ControlKind::Shape, .left = 1500, .top = 750, .width = 1200, .height = 600},
            {.name = "Label1", .kind = ControlKind::Label, .left = 1800, .top = 900, .width = 1200, .height = 450,
             .backColor = gui::Colour::Rgb(0, 0, 255), .tabIndex = 4},
            {.name = "Label2", .kind = ControlKind::Label, .left = 0, .top = 1200, .width = 1000, .height = 300,
             .backColor = gui::Colour::Rgb(255, 0, 255), .backStyle = gui::BackStyle::Transparent},
            {.name = "Pic", .kind = ControlKind::Image, .index = 3, .left = 1050, .top = 150, .width = 300, .height = 300},
            {.name = "Timer1", .kind = ControlKind::Timer, .interval = 10},
        },
    };
    // clang-format on
}
