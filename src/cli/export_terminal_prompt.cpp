#include "cli/export_terminal_prompt.h"

#include <istream>
#include <ostream>

#include "support/text.h"

namespace tundrel::cli {

std::string ForTerminal(std::string_view text) {
    std::string plain;
    for (const char c : text) {
        if (c != '\r') plain += c;
    }
    while (!plain.empty() && plain.back() == '\n') plain.pop_back();
    return plain;
}

TerminalExportPrompt::TerminalExportPrompt(ExportAnswerPolicy policy, std::istream& in, std::ostream& err)
    : policy_(policy), in_(in), err_(err) {}

bool TerminalExportPrompt::YesNo(const std::string& text, const std::string& yes, const std::string& no) {
    err_ << '\n' << ForTerminal(text) << '\n';
    for (;;) {
        err_ << "[y] " << yes << "  [n] " << no << " (n): " << std::flush;
        std::string line;
        if (!std::getline(in_, line)) return false;
        if (line == "y") return true;
        if (line == "n" || line.empty()) return false;
    }
}

bool TerminalExportPrompt::Decide(const std::string& text, const std::string& yes, const std::string& no) {
    std::lock_guard guard(terminal_);
    if (policy_.interactive) return YesNo(text, yes, no);
    err_ << '\n' << ForTerminal(text) << '\n';
    if (policy_.assumeYes) {
        err_ << "(--yes: " << yes << ")\n";
        return true;
    }
    err_ << "tundrel: " << Text(StringId::NoTerminalRefused) << '\n';
    return false;
}

bool TerminalExportPrompt::Confirm(StringId question, const std::string& text) {
    const std::string yes(Text(StringId::AnswerYes));
    const std::string no(Text(StringId::AnswerNo));
    if (question != StringId::AskStopAfterWriteError) return Decide(text, yes, no);
    // Whether to stop after a write error: without a terminal the export goes on.
    std::lock_guard guard(terminal_);
    if (policy_.interactive) return YesNo(text, yes, no);
    err_ << '\n' << ForTerminal(text) << "\n(" << no << ")\n";
    return false;
}

bool TerminalExportPrompt::ConfirmBigFiles(const std::string& text, const std::vector<std::string>& files) {
    std::string whole = text;
    for (const std::string& file : files) whole += file;
    return Decide(whole, std::string(Text(StringId::AnswerYes)), std::string(Text(StringId::AnswerNo)));
}

CollisionAnswer TerminalExportPrompt::AskCollision(const CollisionQuestion& question) {
    CollisionAnswer answer;
    answer.newName = question.suggestedName;
    std::lock_guard guard(terminal_);
    // Without a terminal a collision is renamed, so nothing is ever overwritten unasked.
    if (!policy_.interactive) return answer;
    err_ << '\n' << Formatted(StringId::FileExistsQuestion, question.existingTarget.c_str()) << '\n';
    for (;;) {
        err_ << "[o] " << Text(StringId::CollisionOverwrite) << "  [r] " << Text(StringId::CollisionRename) << "  [s] "
             << Text(StringId::CollisionSkip) << "  [q] " << Text(StringId::CollisionStop) << "  (O, R, S: "
             << Text(StringId::CollisionApplyToRest) << "): " << std::flush;
        std::string line;
        if (!std::getline(in_, line)) {
            answer.choice = CollisionChoice::Stop;
            return answer;
        }
        if (line.size() != 1) continue;
        answer.applyToRest = line[0] >= 'A' && line[0] <= 'Z';
        switch (line[0] | 0x20) {
            case 'o': answer.choice = CollisionChoice::Overwrite; return answer;
            case 's': answer.choice = CollisionChoice::Skip; return answer;
            case 'q': answer.choice = CollisionChoice::Stop; return answer;
            case 'r': {
                answer.choice = CollisionChoice::Rename;
                err_ << Text(StringId::CollisionNewName) << " (" << question.suggestedName << "): " << std::flush;
                std::string typed;
                if (std::getline(in_, typed) && !typed.empty()) answer.newName = typed;
                return answer;
            }
            default: break;
        }
    }
}

void TerminalExportPrompt::Tell(StringId, const std::string& text) {
    std::lock_guard guard(terminal_);
    err_ << ForTerminal(text) << '\n';
}

}  // namespace tundrel::cli
