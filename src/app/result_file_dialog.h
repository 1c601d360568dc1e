#pragma once
// The file choosers for a saved scan result (".kvf"): one to open it, one to save the results to.

#include <QString>

class QWidget;

namespace tundrel::app {

// The chosen file, or an empty string when the user cancelled.
QString AskForResultFileToOpen(QWidget* parent);
// The same, with ".kvf" appended to a name that has no extension.
QString AskForResultFileToSave(QWidget* parent);

}  // namespace tundrel::app
