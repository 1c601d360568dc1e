#include "app/image_file_dialog.h"

#include <QFileDialog>

#include "app/ui_text.h"

namespace tundrel::app {

QString AskForImageFile(QWidget* parent) {
    QFileDialog dialog(parent, UiText(StringId::OpenImageFile));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({UiText(StringId::ImageFileFilter), UiText(StringId::AllFilesFilter)});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace tundrel::app
