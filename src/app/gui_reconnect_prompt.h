#pragma once
// The engine's reconnect question, asked in a dialog on the user-interface thread while the
// scan thread waits.

#include "disk/reconnect_prompt.h"

class QWidget;

namespace tundrel::app {

class GuiReconnectPrompt : public ReconnectPrompt {
public:
    explicit GuiReconnectPrompt(QWidget& window) : window_(window) {}
    ReconnectAnswer AskToReconnect(const ReconnectRequest& request) override;
    void ReportDifferentDisk(const std::u16string& message) override;

private:
    QWidget& window_;
};

}  // namespace tundrel::app
