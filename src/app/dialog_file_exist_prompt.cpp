#include "app/dialog_file_exist_prompt.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui_text.h"

namespace tundrel::app {

CDialoFileExistPrompt::CDialoFileExistPrompt(const CollisionQuestion& question, QWidget* parent)
    : QDialog(parent),
      newName_(new QLineEdit(QString::fromStdString(question.suggestedName), this)),
      applyToRest_(new QCheckBox(UiText(StringId::CollisionApplyToRest), this)) {
    setWindowTitle(UiText(StringId::InformationCaption));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(UiFormatted(StringId::FileExistsQuestion, question.existingTarget.c_str()), this);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* form = new QFormLayout;
    form->addRow(UiText(StringId::CollisionNewName), newName_);
    layout->addLayout(form);
    layout->addWidget(applyToRest_);
    auto* row = new QHBoxLayout;
    const std::pair<StringId, CollisionChoice> choices[] = {
        {StringId::CollisionOverwrite, CollisionChoice::Overwrite},
        {StringId::CollisionRename, CollisionChoice::Rename},
        {StringId::CollisionSkip, CollisionChoice::Skip},
        {StringId::CollisionStop, CollisionChoice::Stop},
    };
    for (const auto& [label, choice] : choices) {
        auto* button = new QPushButton(UiText(label), this);
        connect(button, &QPushButton::clicked, this, [this, picked = choice] { Choose(picked); });
        row->addWidget(button);
        if (choice == CollisionChoice::Rename) button->setDefault(true);
    }
    layout->addLayout(row);
}

void CDialoFileExistPrompt::Choose(CollisionChoice choice) {
    answer_.choice = choice;
    answer_.applyToRest = applyToRest_->isChecked();
    answer_.newName = newName_->text().toStdString();
    accept();
}

}  // namespace tundrel::app
