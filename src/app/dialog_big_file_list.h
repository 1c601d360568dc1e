#pragma once
// The export's question before writing to a FAT32 folder: the files too big for it are listed,
// OK goes on without them and Cancel stops to choose another destination.

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace tundrel::app {

class CDialogBigFileList : public QDialog {
    Q_OBJECT
public:
    // `text` and `files` as the engine words them, lines broken with "\r\n".
    CDialogBigFileList(const std::string& text, const std::vector<std::string>& files, QWidget* parent);

    QListWidget& FileList() const { return *files_; }

private:
    QListWidget* files_;
};

}  // namespace tundrel::app
