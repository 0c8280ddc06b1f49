#pragma once

#include "gui/Design.h"

// The back colour of the program's windows, the main one and About.
inline constexpr gui::Colour BackColour = gui::Colour::Rgb(255, 192, 128);
