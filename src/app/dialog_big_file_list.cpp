#include "app/dialog_big_file_list.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "app/dialog_buttons.h"
#include "app/ui_text.h"

namespace tundrel::app {

CDialogBigFileList::CDialogBigFileList(const std::string& text, const std::vector<std::string>& files, QWidget* parent)
    : QDialog(parent), files_(new QListWidget(this)) {
    setWindowTitle(UiText(StringId::InformationCaption));
    resize(560, 380);
    auto* layout = new QVBoxLayout(this);
    auto* question = new QLabel(DialogText(text), this);
    question->setWordWrap(true);
    layout->addWidget(question);
    // Each file comes as a line of its own: the line break before it is not part of the row.
    for (const std::string& file : files) files_->addItem(DialogText(file).trimmed());
    files_->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(files_, 1);
    AddDialogButtons(*this, *layout);
}

}  // namespace tundrel::app
