// The program: creates and shows the main window and runs until it closes,
// or, given arguments, does what they say without a window.
#include <QApplication>
#include <QPointer>

#include "composer/GifCopy.h"
#include "gui/Accessible.h"
#include "gui/DesktopIdentity.h"
#include "gui/Dispatch.h"
#include "gui/FontWarmUp.h"
#include "gui/StartupNotification.h"
#include "gui/XdndData.h"
#include "gui/core/DisplayPlatform.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/Form1.h"

int main(int argc, char** argv) {
    if (argc > 1) return RunCommandLine(argc, argv);
    const gui::StartupLaunch launch = gui::StartupLaunch::TakeFromEnvironment();
    runtime::ChooseDisplayPlatform();
    gui::FontWarmUp fonts;
    gui::KeepReachableByScreenReaders();
    QApplication app(argc, argv);
    gui::TakeDesktopIdentity();
    gui::AnswerDragDataRequests();
    RemoveOldGifCopies();

    fonts.Join();

    QPointer<Form1> form;
    gui::Dispatch(QStringLiteral("Form1"), [&form] { form = new Form1; });
    if (!form) return 1;
    launch.EndWhenShown(*form);  // a launch from the menu ends with the main window
    gui::Dispatch(QStringLiteral("Form1.Show"), [&form] { form->Show(); });
    const int status = QApplication::exec();
    delete form.data();  // closing only schedules its deletion
    return status;
}
