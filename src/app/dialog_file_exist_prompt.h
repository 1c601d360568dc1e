#pragma once
// The question of an export that meets a file of the same name at the destination: overwrite,
// rename (to a free name it suggests, which the user may change), skip or stop.

#include <QDialog>

#include "export/export_prompt.h"

class QCheckBox;
class QLineEdit;

namespace tundrel::app {

class CDialoFileExistPrompt : public QDialog {
    Q_OBJECT
public:
    CDialoFileExistPrompt(const CollisionQuestion& question, QWidget* parent);
    const CollisionAnswer& Answer() const { return answer_; }

private:
    void Choose(CollisionChoice choice);

    QLineEdit* newName_;
    QCheckBox* applyToRest_;
    CollisionAnswer answer_;
};

}  // namespace tundrel::app
