#include "gui/FileDialog.h"

#include <QFileDialog>

namespace gui {

namespace {
SaveFileAsker& Asker() {
    static SaveFileAsker asker;
    return asker;
}
}  // namespace

QString AskSaveFileName(QWidget* owner, const QString& title, const QString& suggestedPath,
                        const QString& filter, const QString& suffix) {
    if (Asker()) return Asker()(title, suggestedPath);
    QFileDialog dialog(owner, title, suggestedPath, filter);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(suggestedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void SetSaveFileAsker(SaveFileAsker asker) {
    Asker() = std::move(asker);
}

}  // namespace gui
