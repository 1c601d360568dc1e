#pragma once
// Where the checked files go: a folder typed, browsed for, or taken from the list of the
// drives that can hold files, with the warning not to save onto the source disk.

#include <QDialog>
#include <string>

class QLineEdit;
class QTreeWidget;

namespace tundrel::app {

class CDialogExportFile : public QDialog {
    Q_OBJECT
public:
    explicit CDialogExportFile(QWidget* parent);
    std::string Destination() const;
    QLineEdit& FolderField() const { return *folder_; }

    void accept() override;

private:
    QLineEdit* folder_;
    QTreeWidget* drives_;
};

}  // namespace tundrel::app
