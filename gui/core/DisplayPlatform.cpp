#include "DisplayPlatform.h"

#include <QCoreApplication>

namespace runtime {

namespace {

constexpr char Variable[] = "QT_QPA_PLATFORM";
bool chosen = false;

// Runs when the application object is made, after it has loaded its platform.
void ForgetChoice() {
    if (chosen) qunsetenv(Variable);
    chosen = false;
}
Q_COREAPP_STARTUP_FUNCTION(ForgetChoice)

}  // namespace

void ChooseDisplayPlatform() {
    if (!qEnvironmentVariableIsEmpty(Variable) || qEnvironmentVariableIsEmpty("DISPLAY")) return;
    qputenv(Variable, "xcb;wayland");
    chosen = true;
}

}  // namespace runtime
