#pragma once
// The message boxes every pane asks and tells with, captioned with the product's name.

#include <QString>

class QWidget;

namespace tundrel::app {

// A Yes/No question with No as the default button; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text);
void TellInformation(QWidget* parent, const QString& text);
void TellWarning(QWidget* parent, const QString& text);

}  // namespace tundrel::app
