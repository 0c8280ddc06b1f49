#include "gui/FileDialog.h"

#include <QFileDialog>

#include "gui/Services.h"

namespace gui {

QString AskSaveFileName(QWidget* owner, const QString& title, const QString& suggestedPath,
                        const QString& filter, const QString& suffix) {
    if (const auto& ask = InstalledServices().askSaveFileName) return ask(title, suggestedPath);
    QFileDialog dialog(owner, title, suggestedPath, filter);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(suggestedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace gui
