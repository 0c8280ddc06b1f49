#pragma once

#include <QString>
#include <optional>

namespace gui {

// What a ProgID stands for: the server that makes its objects, where to find
// its factory on the session bus, and the program that serves it.
struct ProgIdEntry {
    QString progId;
    QString service;      // well-known bus name
    QString factoryPath;  // object that makes new objects
    QString factoryInterface;
    QString factoryMethod;  // no arguments; returns the new object's path
    QString program;        // file name in AppDir, or an absolute path
    // Only there to end a server that hangs: the browser's cold start takes
    // several seconds on a busy machine, and three times that in a sanitizer build.
    int startTimeoutMs = 30000;
    // How long a call waits for its answer before the server counts as hung:
    // the caller's window takes no input meanwhile.
    int answerTimeoutMs = 5000;
    // The interface of the objects the factory makes, as a type library
    // names a class's interface: their members are looked up in it.
    QString objectInterface = {};
};

// "InternetExplorer.Application" is our browser. Entries added here replace
// one with the same ProgID (ignoring case, as ProgIDs do).
std::optional<ProgIdEntry> FindProgId(const QString& progId);
void RegisterProgId(const ProgIdEntry& entry);

}  // namespace gui
