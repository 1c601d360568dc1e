#pragma once
// The file chooser for a disk image, which then stands in a pane's list as a source.

#include <QString>

class QWidget;

namespace tundrel::app {

// The chosen file, or an empty string when the user cancelled.
QString AskForImageFile(QWidget* parent);

}  // namespace tundrel::app
