#include "app/file_chooser.h"

#include <QFileDialog>
#include <QFileInfo>

#include "app/ui_text.h"
#include "scan/result_file.h"

namespace tundrel::app {
namespace {

// Qt's own chooser, the same on every desktop, offering the files of `filter` or all files.
QString AskForFile(QWidget* parent, StringId title, StringId filter, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, UiText(title));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({UiText(filter), UiText(StringId::AllFilesFilter)});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace

QString AskForImageFile(QWidget* parent) {
    return AskForFile(parent, StringId::OpenImageFile, StringId::ImageFileFilter, QFileDialog::AcceptOpen);
}

QString AskForResultFileToOpen(QWidget* parent) {
    return AskForFile(parent, StringId::OpenSavedResults, StringId::ResultFileFilter, QFileDialog::AcceptOpen);
}

QString AskForResultFileToSave(QWidget* parent) {
    QString file = AskForFile(parent, StringId::SaveResultsTooltip, StringId::ResultFileFilter, QFileDialog::AcceptSave);
    if (!file.isEmpty() && QFileInfo(file).suffix().isEmpty()) {
        file += QString::fromLatin1(kResultFileExtension.data(), static_cast<qsizetype>(kResultFileExtension.size()));
    }
    return file;
}

}  // namespace tundrel::app
