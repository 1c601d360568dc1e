#pragma once
// The OK (and Cancel) buttons of the wizard's dialogs, in the string table's words, wired to
// accept and reject the dialog.

#include <QDialogButtonBox>

class QBoxLayout;
class QDialog;

namespace tundrel::app {

// Adds the buttons to the end of `layout` and returns them.
QDialogButtonBox* AddDialogButtons(QDialog& dialog, QBoxLayout& layout,
                                   QDialogButtonBox::StandardButtons which = QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

}  // namespace tundrel::app
