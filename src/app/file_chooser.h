#pragma once
// The wizard's file choosers: a disk image, which then stands in a pane's list as a source, and a
// saved scan result (".kvf") to open or to save the results to.

#include <QString>

class QWidget;

namespace tundrel::app {

// Each gives the chosen file, or an empty string when the user cancelled.
QString AskForImageFile(QWidget* parent);
QString AskForResultFileToOpen(QWidget* parent);
// The same, with ".kvf" appended to a name that has no extension.
QString AskForResultFileToSave(QWidget* parent);

}  // namespace tundrel::app
