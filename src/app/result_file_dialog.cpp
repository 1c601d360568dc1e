#include "app/result_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include "app/ui_text.h"
#include "scan/result_file.h"

namespace tundrel::app {
namespace {

QString AskForResultFile(QWidget* parent, StringId title, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, UiText(title));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({UiText(StringId::ResultFileFilter), UiText(StringId::AllFilesFilter)});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace

QString AskForResultFileToOpen(QWidget* parent) {
    return AskForResultFile(parent, StringId::OpenSavedResults, QFileDialog::AcceptOpen);
}

QString AskForResultFileToSave(QWidget* parent) {
    QString file = AskForResultFile(parent, StringId::SaveResultsTooltip, QFileDialog::AcceptSave);
    if (!file.isEmpty() && QFileInfo(file).suffix().isEmpty()) {
        file += QString::fromLatin1(kResultFileExtension.data(), static_cast<qsizetype>(kResultFileExtension.size()));
    }
    return file;
}

}  // namespace tundrel::app
