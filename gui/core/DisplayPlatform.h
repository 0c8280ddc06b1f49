#pragma once

namespace runtime {

// Chooses the windowing platform; call it before the application object is
// made. The windows place themselves on the screen (the main window centred,
// a preview at a given rectangle), which X11 allows and Wayland does not. So
// when the user has chosen no Qt platform (QT_QPA_PLATFORM unset) and an X
// display is there (DISPLAY, as a Wayland session's XWayland provides), the
// program runs on X11, falling back to Wayland should the X display not
// answer. With no X display Qt picks the platform itself.
//
// The choice is this process's alone: once the application object has loaded
// the platform, the variable is taken out of the environment again, so that
// the programs it starts (the user's web browser) choose for themselves.
void ChooseDisplayPlatform();

}  // namespace runtime
