// The program: creates and shows the main window and runs until it closes.
#include <QApplication>
#include <QPointer>

#include "gui/Dispatch.h"
#include "mainwindow/Form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Yarvo Dururive"));

    QPointer<Form1> form;
    gui::Dispatch(QStringLiteral("Form1"), [&form] { form = new Form1; });
    if (!form) return 1;
    gui::Dispatch(QStringLiteral("Form1.Show"), [&form] { form->Show(); });
    const int status = QApplication::exec();
    delete form.data();  // closing only schedules its deletion
    return status;
}
