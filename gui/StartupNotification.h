#pragma once

#include <QByteArray>
#include <QWidget>

namespace gui {

// The launch that started the program, when the desktop started it with
// startup notification (freedesktop.org's protocol, on X11): the desktop
// shows a busy cursor from the launch until the program says that its first
// window is there. Qt would say so itself, but sends the launch's ID
// unquoted, while GNOME Shell's IDs hold the entry's name, blank included
// ("gnome-shell/Yarvo Dururive/..."): the message then names no launch, and
// the busy cursor stays until the desktop gives up on it.
class StartupLaunch {
public:
    // The launch named by DESKTOP_STARTUP_ID, taken out of the environment,
    // so that neither Qt nor the programs this one starts take it for
    // theirs. Call it before the application object is made.
    static StartupLaunch TakeFromEnvironment();

    // Marks the window as the launch's (_NET_STARTUP_ID) when it is first
    // shown, before it is mapped, and ends the launch once it is. Does
    // nothing without a launch or off X11.
    void EndWhenShown(QWidget& window) const;

private:
    QByteArray id_;
};

}  // namespace gui
