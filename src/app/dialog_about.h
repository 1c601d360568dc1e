#pragma once
// The program's name and version.

#include <QDialog>

namespace tundrel::app {

class CDialogAbout : public QDialog {
    Q_OBJECT
public:
    explicit CDialogAbout(QWidget* parent);
};

}  // namespace tundrel::app
