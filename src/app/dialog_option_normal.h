#pragma once
// The general page of the options: the switches of the scan and of the result views, and the
// code page of FAT short names and 8-bit texts.

#include <QWidget>

#include "support/settings.h"

class QCheckBox;
class QComboBox;

namespace tundrel::app {

class CDialogOptionNormal : public QWidget {
    Q_OBJECT
public:
    CDialogOptionNormal(const Settings& settings, QWidget* parent);
    void Store(Settings& settings) const;

private:
    QCheckBox* markRecoverable_;
    QCheckBox* showMetafiles_;
    QCheckBox* fullScanFat_;
    QCheckBox* fullScanNtfs_;
    QCheckBox* fullScanExFat_;
    QCheckBox* carveInDeletedMode_;
    QCheckBox* promptReconnect_;
    QComboBox* codePage_;
};

}  // namespace tundrel::app
