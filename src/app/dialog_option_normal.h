#pragma once
// The general page of the options: the switches of the scan and of the result views.

#include <QWidget>

#include "support/settings.h"

class QCheckBox;

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
};

}  // namespace tundrel::app
