#pragma once
// The command line's answer to a source that went away: asked on the terminal, or cancelled
// when there is none.

#include "disk/reconnect_prompt.h"

namespace tundrel::cli {

class TerminalReconnectPrompt final : public ReconnectPrompt {
public:
    ReconnectAnswer AskToReconnect(const ReconnectRequest& request) override;
    void ReportDifferentDisk(const std::u16string& message) override;
};

}  // namespace tundrel::cli
