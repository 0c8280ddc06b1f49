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
    // Puts a picture file on the clipboard for programs that paste pictures
    // and for those that paste files: its bytes under its MIME type, then
    // the file as a URI list and as a file manager's copied file. No image
    // data of Qt's own, which would add image/png and re-encode the bytes.
    static void SetPictureFile(const QString& file, const QByteArray& bytes, const QString& type);
    static QString GetText();
};

}  // namespace gui
