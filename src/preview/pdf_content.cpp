#include "preview/pdf_content.h"

#include <cmath>
#include <string>
#include <vector>

#include "preview/pdf_lexer.h"

namespace tundrel {

namespace {

constexpr std::size_t kMaxOperands = 16;
constexpr std::size_t kMaxArrayItems = 100'000;
// A TJ adjustment moving the text right by more than this (in thousandths of an em) is a space.
constexpr double kSpaceKerning = -200;

struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

class Interpreter {
public:
    Interpreter(std::span<const std::uint8_t> content, PdfContentHandler& handler) : lexer_(content), handler_(handler) {}

    void Run() {
        for (PdfToken token = lexer_.Next(); token.kind != PdfTokenKind::End; token = lexer_.Next()) {
            switch (token.kind) {
                case PdfTokenKind::Keyword:
                    Operator(token.text);
                    operands_.clear();
                    break;
                case PdfTokenKind::ArrayOpen:
                    ReadArray();
                    break;
                case PdfTokenKind::Number:
                case PdfTokenKind::Name:
                case PdfTokenKind::String:
                    Push(std::move(token));
                    break;
                default:
                    break;  // dictionaries (marked content) and stray delimiters
            }
        }
    }

private:
    void Push(PdfToken token) {
        if (operands_.size() >= kMaxOperands) operands_.erase(operands_.begin(), operands_.begin() + kMaxOperands / 2);
        operands_.push_back(std::move(token));
    }

    // The operand `back` places from the top (1 is the top), or nullptr.
    const PdfToken* Operand(std::size_t back, PdfTokenKind kind) const {
        if (back > operands_.size() || operands_[operands_.size() - back].kind != kind) return nullptr;
        return &operands_[operands_.size() - back];
    }
    double Number(std::size_t back) const {
        const PdfToken* token = Operand(back, PdfTokenKind::Number);
        return token == nullptr ? 0 : token->number;
    }

    void ReadArray() {
        array_.clear();
        for (PdfToken token = lexer_.Next(); token.kind != PdfTokenKind::End && token.kind != PdfTokenKind::ArrayClose;
             token = lexer_.Next()) {
            if ((token.kind == PdfTokenKind::String || token.kind == PdfTokenKind::Number) && array_.size() < kMaxArrayItems) {
                array_.push_back(std::move(token));
            }
        }
        PdfToken marker;
        marker.kind = PdfTokenKind::ArrayOpen;
        Push(std::move(marker));
    }

    double Em() const {
        const double em = std::fabs(fontSize_ * text_.d);
        return em > 0 ? em : 1;
    }

    void MoveLine(double tx, double ty) {
        line_.e += tx * line_.a + ty * line_.c;
        line_.f += tx * line_.b + ty * line_.d;
        text_ = line_;
    }

    void Show(std::string_view bytes) {
        if (shown_) {
            const double em = Em();
            if (lineBreakDue_ || std::fabs(text_.f - lastY_) > 0.5 * em) {
                handler_.Break(PdfBreak::Line);
            } else if (text_.e - lastEndX_ > 0.25 * em || text_.e < lastStartX_ - 0.25 * em) {
                handler_.Break(PdfBreak::Word);
            }
        }
        lineBreakDue_ = false;
        const PdfShown shown = handler_.ShowText(bytes);
        shown_ = true;
        lastY_ = text_.f;
        lastStartX_ = text_.e;
        const double width = shown.ems * fontSize_ + static_cast<double>(shown.characters) * characterSpacing_ +
                             static_cast<double>(shown.spaces) * wordSpacing_;
        text_.e += width * horizontalScale_ * text_.a;
        lastEndX_ = text_.e;
    }

    void NextLine() {
        MoveLine(0, -leading_);
        lineBreakDue_ = shown_;
    }

    void SkipInlineImage() {
        // The image data after ID runs to an EI between white space.
        const std::span<const std::uint8_t> bytes = lexer_.Bytes();
        std::size_t at = lexer_.Position() + 1;
        while (at + 2 <= bytes.size()) {
            if (bytes[at] == 'E' && bytes[at + 1] == 'I' && IsPdfWhiteSpace(bytes[at - 1]) &&
                (at + 2 == bytes.size() || IsPdfWhiteSpace(bytes[at + 2]) || IsPdfDelimiter(bytes[at + 2]))) {
                lexer_.Seek(at + 2);
                return;
            }
            ++at;
        }
        lexer_.Seek(bytes.size());
    }

    void Operator(std::string_view op) {
        if (op == "BT") {
            text_ = line_ = Matrix{};
        } else if (op == "Tf") {
            if (const PdfToken* name = Operand(2, PdfTokenKind::Name)) handler_.SetFont(name->text);
            fontSize_ = Number(1);
        } else if (op == "Td" || op == "TD") {
            if (op == "TD") leading_ = -Number(1);
            MoveLine(Number(2), Number(1));
        } else if (op == "Tm") {
            line_ = {Number(6), Number(5), Number(4), Number(3), Number(2), Number(1)};
            text_ = line_;
        } else if (op == "TL") {
            leading_ = Number(1);
        } else if (op == "Tc") {
            characterSpacing_ = Number(1);
        } else if (op == "Tw") {
            wordSpacing_ = Number(1);
        } else if (op == "Tz") {
            horizontalScale_ = Number(1) / 100;
        } else if (op == "T*") {
            NextLine();
        } else if (op == "Tj") {
            if (const PdfToken* s = Operand(1, PdfTokenKind::String)) Show(s->text);
        } else if (op == "'" || op == "\"") {
            if (op == "\"") {
                wordSpacing_ = Number(3);
                characterSpacing_ = Number(2);
            }
            NextLine();
            if (const PdfToken* s = Operand(1, PdfTokenKind::String)) Show(s->text);
        } else if (op == "TJ") {
            if (Operand(1, PdfTokenKind::ArrayOpen) == nullptr) return;
            for (const PdfToken& item : array_) {
                if (item.kind == PdfTokenKind::String) {
                    Show(item.text);
                } else {
                    if (item.number < kSpaceKerning && shown_) handler_.Break(PdfBreak::Word);
                    text_.e -= item.number / 1000 * fontSize_ * horizontalScale_ * text_.a;
                    lastEndX_ = text_.e;
                }
            }
        } else if (op == "Do") {
            if (const PdfToken* name = Operand(1, PdfTokenKind::Name)) handler_.DrawObject(name->text);
        } else if (op == "ID") {
            SkipInlineImage();
        }
    }

    PdfLexer lexer_;
    PdfContentHandler& handler_;
    std::vector<PdfToken> operands_;
    std::vector<PdfToken> array_;  // the last array read, which an ArrayOpen operand stands for
    Matrix text_;
    Matrix line_;
    double fontSize_ = 0;
    double leading_ = 0;
    double characterSpacing_ = 0;
    double wordSpacing_ = 0;
    double horizontalScale_ = 1;
    bool shown_ = false;
    bool lineBreakDue_ = false;
    double lastY_ = 0;
    double lastStartX_ = 0;
    double lastEndX_ = 0;
};

}  // namespace

void InterpretPdfContent(std::span<const std::uint8_t> content, PdfContentHandler& handler) {
    Interpreter(content, handler).Run();
}

}  // namespace tundrel
