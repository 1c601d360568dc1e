#pragma once
// The file-type page of the options: which types the carving looks for by their contents,
// and whether finds of files the scan lists already are dropped.

#include <QWidget>

#include "support/settings.h"

class QCheckBox;
class QTreeWidget;

namespace tundrel::app {

class CDialogOptionFileType : public QWidget {
    Q_OBJECT
public:
    CDialogOptionFileType(const Settings& settings, QWidget* parent);
    void Store(Settings& settings) const;

private:
    QTreeWidget* types_;
    QCheckBox* dropListedFinds_;
};

}  // namespace tundrel::app
