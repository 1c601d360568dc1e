#include "cli/terminal_prompt.h"

#include <unistd.h>

#include <iostream>
#include <string>

#include "support/strings.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

// Windows line ends in the product's texts become plain ones on a terminal.
std::string ForTerminal(const std::u16string& text) {
    std::string out = ToUtf8(text);
    std::string plain;
    for (const char c : out) {
        if (c != '\r') plain += c;
    }
    return plain;
}

}  // namespace

ReconnectAnswer TerminalReconnectPrompt::AskToReconnect(const ReconnectRequest& request) {
    ReconnectAnswer answer;
    std::cerr << '\n' << Text(StringId::ReconnectCaption) << '\n' << ForTerminal(request.message) << '\n';
    if (!isatty(STDIN_FILENO)) {
        std::cerr << Text(StringId::NoTerminalReadFails) << '\n';
        return answer;
    }
    for (;;) {
        std::cerr << "[r] " << Text(StringId::ReconnectRetry) << "  [c] " << Text(StringId::ReconnectCancel)
                  << "  [n] " << Text(StringId::ReconnectStopAsking)
                  << ": " << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) return answer;
        if (line == "r") {
            answer.choice = ReconnectChoice::Retry;
            return answer;
        }
        if (line == "c") return answer;
        if (line == "n") {
            answer.stopAsking = true;
            return answer;
        }
    }
}

void TerminalReconnectPrompt::ReportDifferentDisk(const std::u16string& message) {
    std::cerr << ForTerminal(message) << '\n';
}

}  // namespace tundrel::cli
