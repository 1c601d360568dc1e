#include "app/dialog_reopen_disk.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui_text.h"
#include "support/text.h"

namespace tundrel::app {

CDialogReopenDisk::CDialogReopenDisk(const ReconnectRequest& request, QWidget* parent)
    : QDialog(parent), hideWindow_(new QCheckBox(UiText(StringId::ReconnectHideWindow), this)) {
    setWindowTitle(UiText(StringId::ReconnectCaption));
    auto* layout = new QVBoxLayout(this);
    auto* message = new QLabel(DialogText(ToUtf8(request.message)), this);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(message);
    auto* note = new QLabel(UiText(StringId::ReconnectNote), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addWidget(hideWindow_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(UiText(StringId::ReconnectRetry), QDialogButtonBox::AcceptRole);
    buttons->addButton(UiText(StringId::ReconnectCancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ReconnectAnswer CDialogReopenDisk::Answer() const {
    ReconnectAnswer answer;
    answer.choice = result() == QDialog::Accepted ? ReconnectChoice::Retry : ReconnectChoice::Cancel;
    // The box only means something with Cancel: Retry keeps asking on the next failure.
    answer.stopAsking = answer.choice == ReconnectChoice::Cancel && hideWindow_->isChecked();
    return answer;
}

}  // namespace tundrel::app
