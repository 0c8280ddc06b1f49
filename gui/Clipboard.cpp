#include "gui/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include "gui/core/RuntimeError.h"

namespace gui {

namespace {

QClipboard& SystemClipboard(const char* operation) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw runtime::RuntimeError(QLatin1String(operation), QStringLiteral("Clipboard"),
                                    QStringLiteral("No clipboard"));
    return *clipboard;
}

// On X11 another program may keep the selection; then it is not ours.
void CheckOwned(QClipboard& clipboard, const char* operation) {
    if (QGuiApplication::platformName() == QLatin1String("xcb") && !clipboard.ownsClipboard()) {
        throw runtime::RuntimeError(QLatin1String(operation), QStringLiteral("Clipboard"),
                                    QStringLiteral("The clipboard could not be taken"));
    }
}

}  // namespace

void Clipboard::Clear() {
    SystemClipboard("Clipboard.Clear").clear();
}

void Clipboard::SetText(const QString& text) {
    QClipboard& clipboard = SystemClipboard("Clipboard.SetText");
    auto* data = new QMimeData;
    data->setText(text);
    clipboard.setMimeData(data);
    CheckOwned(clipboard, "Clipboard.SetText");
}

void Clipboard::SetPictureFile(const QString& file, const QByteArray& bytes, const QString& type) {
    QClipboard& clipboard = SystemClipboard("Clipboard.SetData");
    const QUrl url = QUrl::fromLocalFile(file);
    auto* data = new QMimeData;
    data->setData(type, bytes);
    data->setUrls({url});
    // No line end after the address: GNOME Files has failed on one.
    data->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());
    clipboard.setMimeData(data);
    CheckOwned(clipboard, "Clipboard.SetData");
}

QString Clipboard::GetText() {
    return SystemClipboard("Clipboard.GetText").text();
}

}  // namespace gui
