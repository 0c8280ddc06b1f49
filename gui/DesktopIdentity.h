#pragma once
// The program's identity in the desktop, one for the program and its
// browser, so that the desktop shows every window of either as the menu
// entry dururive.desktop, with its name and icon: on X11 the windows' class
// (WM_CLASS) is "dururive", "Yarvo Dururive", on Wayland their app id is
// "dururive". Header only, so that the browser takes it without the forms.

#include <QGuiApplication>

namespace gui {

// Gives the application the program's name (the class part of WM_CLASS) and
// desktop entry (the Wayland app id). Call it once the application object
// exists.
inline void TakeDesktopIdentity() {
    // A name, not a display name: Qt would add a display name to every
    // window's caption.
    QCoreApplication::setApplicationName(QStringLiteral("Yarvo Dururive"));
    QGuiApplication::setDesktopFileName(QStringLiteral("dururive"));
}

// For a helper of the program whose file is named otherwise (the browser):
// names the instance part of its windows' WM_CLASS after the program, which
// Qt takes from the file name unless RESOURCE_NAME says otherwise. Call it
// before the application object is made. The variable stays set, as Qt reads
// it when it makes the first window, so the helper's own processes inherit
// it: call it only in a program that starts no other program with windows.
inline void NameWindowsAfterProgram() {
    qputenv("RESOURCE_NAME", "dururive");
}

}  // namespace gui
