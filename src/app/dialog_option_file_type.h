#pragma once
// The file-type page of the options: which types the carving looks for by their contents.

#include <QWidget>

#include "support/settings.h"

class QTreeWidget;

namespace tundrel::app {

class CDialogOptionFileType : public QWidget {
    Q_OBJECT
public:
    CDialogOptionFileType(const Settings& settings, QWidget* parent);
    void Store(Settings& settings) const;

private:
    QTreeWidget* types_;
};

}  // namespace tundrel::app
