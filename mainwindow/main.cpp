// The program: creates and shows the main window and runs until it closes,
// or, given arguments, does what they say without a window.
#include <QApplication>
#include <QPointer>

#include "gui/Accessible.h"
#include "gui/Dispatch.h"
#include "gui/FontWarmUp.h"
#include "gui/core/DisplayPlatform.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/Form1.h"

int main(int argc, char** argv) {
    if (argc > 1) return RunCommandLine(argc, argv);
    gui::ChooseDisplayPlatform();
    gui::FontWarmUp fonts;
    gui::KeepReachableByScreenReaders();
    QApplication app(argc, argv);
    // A name, not a display name: Qt would add a display name to every
    // window's caption.
    QApplication::setApplicationName(QStringLiteral("Yarvo Dururive"));
    QGuiApplication::setDesktopFileName(QStringLiteral("dururive"));

    fonts.Join();

    QPointer<Form1> form;
    gui::Dispatch(QStringLiteral("Form1"), [&form] { form = new Form1; });
    if (!form) return 1;
    gui::Dispatch(QStringLiteral("Form1.Show"), [&form] { form->Show(); });
    const int status = QApplication::exec();
    delete form.data();  // closing only schedules its deletion
    return status;
}
