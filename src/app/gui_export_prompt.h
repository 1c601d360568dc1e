#pragma once
// The export's questions, asked in message boxes and dialogs on the user-interface thread;
// the export thread waits for each answer.

#include "export/export_prompt.h"

class QWidget;

namespace tundrel::app {

class GuiExportPrompt : public ExportPrompt {
public:
    explicit GuiExportPrompt(QWidget& window) : window_(window) {}
    bool Confirm(StringId question, const std::string& text) override;
    bool ConfirmBigFiles(const std::string& text, const std::vector<std::string>& files) override;
    CollisionAnswer AskCollision(const CollisionQuestion& question) override;
    void Tell(StringId message, const std::string& text) override;

private:
    QWidget& window_;
};

}  // namespace tundrel::app
