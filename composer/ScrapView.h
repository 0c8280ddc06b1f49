#pragma once

#include <QString>

// The window operations the composition uses. The main window provides one
// over its controls; anything else may provide one to run the composition
// without a window.
class ScrapView {
public:
    virtual ~ScrapView() = default;

    virtual QString InputText() const = 0;             // Text1
    virtual bool Style1Selected() const = 0;           // Option1
    virtual bool Style2Selected() const = 0;           // Option2
    virtual void SetCounter(const QString& text) = 0;  // Label3
    virtual void ClearSlot(int index) = 0;             // Image3(index)
    // Loads the picture file (full path) of letter into Image3(index) and
    // shows it still. Raises runtime::RuntimeError when the file cannot be
    // loaded; the slot then stays as it was.
    virtual void ShowSlotPicture(int index, const QString& path, QChar letter) = 0;
    virtual void SetOutput(const QString& text) = 0;  // Text2
    virtual QString Output() const = 0;
};
