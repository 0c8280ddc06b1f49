#pragma once

#include <QString>

namespace gui {

// The system clipboard. Each call raises RuntimeError when the clipboard
// cannot be taken.
class Clipboard {
public:
    static void Clear();
    // Puts the text on the clipboard as plain text, in no other format.
    static void SetText(const QString& text);
    static QString GetText();
};

}  // namespace gui
