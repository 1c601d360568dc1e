#pragma once
// The question shown when the source stops answering in the middle of a scan: try again once
// the disk is back, or give up, optionally for the rest of the run.

#include <QDialog>

#include "disk/reconnect_prompt.h"

class QCheckBox;

namespace tundrel::app {

class CDialogReopenDisk : public QDialog {
    Q_OBJECT
public:
    CDialogReopenDisk(const ReconnectRequest& request, QWidget* parent);
    ReconnectAnswer Answer() const;

private:
    QCheckBox* hideWindow_;
};

}  // namespace tundrel::app
