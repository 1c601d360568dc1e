#pragma once
// The options: the general page and the file-type page. OK copies the pages into the
// settings; Cancel leaves them as they were.

#include <QDialog>

#include "support/settings.h"

class QTabWidget;

namespace tundrel::app {

class CDialogOptionNormal;
class CDialogOptionFileType;

class CDialogOption : public QDialog {
    Q_OBJECT
public:
    CDialogOption(Settings& settings, QWidget* parent);
    void ShowFileTypePage();
    // After OK: whether a setting the result views read was changed.
    bool ViewsChanged() const { return viewsChanged_; }

    void accept() override;

private:
    Settings& settings_;
    QTabWidget* pages_;
    CDialogOptionNormal* normal_;
    CDialogOptionFileType* fileTypes_;
    bool viewsChanged_ = false;
};

}  // namespace tundrel::app
