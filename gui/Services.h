#pragma once

// The ways the runtime reaches the user and the desktop outside its windows,
// in one object: how an uncaught failure is shown, how an address is opened,
// how the user is asked where to save, and how a modal window runs. An empty
// member is the desktop's own, and the program leaves them all so; a test
// stands in for any of them through a ScopedServices.

#include <QString>
#include <functional>

namespace gui {

class Form;

struct Services {
    // The report of an uncaught failure: handler name and message. Empty: a
    // modal message box.
    std::function<void(const QString& handler, const QString& message)> reportFailure;
    // Opens an address (a web address in the user's browser). Empty: the
    // desktop's own facility.
    std::function<void(const QString& operation, const QString& address)> openAddress;
    // Where to save, or empty when the user cancelled. Empty: the desktop's
    // standard save dialog.
    std::function<QString(const QString& title, const QString& suggestedPath)> askSaveFileName;
    // Runs instead of a modal window's nested event loop. It gets the form
    // already shown, with the other windows blocked, and returns once it has
    // unloaded the form (or left it to be unloaded). Empty: the real loop.
    std::function<void(Form&)> runModal;
};

// The services in use.
const Services& InstalledServices();

// Stands in for services while it lives: what is set through it takes effect
// at once, and the services before it come back when it ends. Both its start
// and its end forget the failures reported so far.
class ScopedServices {
public:
    ScopedServices();
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

    Services* operator->();

private:
    Services previous_;
};

}  // namespace gui
