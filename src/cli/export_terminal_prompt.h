#pragma once
// The command line's answers to the export's questions: asked on the terminal, or settled by
// the options when there is no terminal to ask on.

#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

#include "export/export_prompt.h"

namespace tundrel::cli {

struct ExportAnswerPolicy {
    bool interactive = false;  // standard input is a terminal
    bool assumeYes = false;    // --yes: the destination questions are answered yes
};

class TerminalExportPrompt final : public ExportPrompt {
public:
    TerminalExportPrompt(ExportAnswerPolicy policy, std::istream& in, std::ostream& err);

    bool Confirm(StringId question, const std::string& text) override;
    bool ConfirmBigFiles(const std::string& text, const std::vector<std::string>& files) override;
    CollisionAnswer AskCollision(const CollisionQuestion& question) override;
    void Tell(StringId message, const std::string& text) override;

    // Held while anything is written to the terminal, so that a progress line drawn from
    // another thread never lands in the middle of a question.
    std::mutex& TerminalLock() { return terminal_; }

private:
    bool YesNo(const std::string& text, const std::string& yes, const std::string& no);
    // The destination questions: asked, or answered by --yes, or refused with the reason.
    bool Decide(const std::string& text, const std::string& yes, const std::string& no);

    ExportAnswerPolicy policy_;
    std::istream& in_;
    std::ostream& err_;
    std::mutex terminal_;
};

// A text of the string table as a terminal shows it: Windows line ends become plain ones.
std::string ForTerminal(std::string_view text);

}  // namespace tundrel::cli
