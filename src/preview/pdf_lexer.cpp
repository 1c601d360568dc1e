#include "preview/pdf_lexer.h"

#include <charconv>
#include <cstddef>

namespace tundrel {

namespace {

int HexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A run of regular characters is a number when it is an optional sign, digits and at most one
// decimal point, with at least one digit.
bool ParseNumber(std::string_view run, double& value, bool& integer) {
    std::size_t i = run.empty() || (run[0] != '+' && run[0] != '-') ? 0 : 1;
    bool digit = false;
    bool point = false;
    for (; i < run.size(); ++i) {
        if (run[i] >= '0' && run[i] <= '9') {
            digit = true;
        } else if (run[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digit) return false;
    // from_chars takes no sign '+' and no leading '.', and reads without the locale
    std::string digits(run.substr(!run.empty() && run[0] == '+' ? 1 : 0));
    const bool negative = !digits.empty() && digits[0] == '-';
    if (negative) digits.erase(0, 1);
    if (!digits.empty() && digits[0] == '.') digits.insert(0, 1, '0');
    value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (negative) value = -value;
    integer = !point;
    return true;
}

}  // namespace

bool IsPdfWhiteSpace(std::uint8_t c) {
    return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool IsPdfDelimiter(std::uint8_t c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
           c == '/' || c == '%';
}

void PdfLexer::SkipWhiteSpaceAndComments() {
    while (position_ < bytes_.size()) {
        const std::uint8_t c = bytes_[position_];
        if (IsPdfWhiteSpace(c)) {
            ++position_;
        } else if (c == '%') {
            while (position_ < bytes_.size() && bytes_[position_] != '\r' && bytes_[position_] != '\n') ++position_;
        } else {
            return;
        }
    }
}

PdfToken PdfLexer::Next() {
    SkipWhiteSpaceAndComments();
    PdfToken token;
    if (position_ >= bytes_.size()) return token;
    const std::uint8_t c = bytes_[position_];
    const bool hasNext = position_ + 1 < bytes_.size();
    switch (c) {
        case '(':
            ++position_;
            token.kind = PdfTokenKind::String;
            token.text = LiteralString();
            return token;
        case '<':
            if (hasNext && bytes_[position_ + 1] == '<') {
                position_ += 2;
                token.kind = PdfTokenKind::DictionaryOpen;
                return token;
            }
            ++position_;
            token.kind = PdfTokenKind::String;
            token.text = HexString();
            return token;
        case '>':
            if (hasNext && bytes_[position_ + 1] == '>') {
                position_ += 2;
                token.kind = PdfTokenKind::DictionaryClose;
                return token;
            }
            break;
        case '[':
            ++position_;
            token.kind = PdfTokenKind::ArrayOpen;
            return token;
        case ']':
            ++position_;
            token.kind = PdfTokenKind::ArrayClose;
            return token;
        case '/':
            ++position_;
            token.kind = PdfTokenKind::Name;
            token.text = Name();
            return token;
        default:
            break;
    }
    if (IsPdfDelimiter(c)) {
        ++position_;
        token.kind = PdfTokenKind::Other;
        token.text.assign(1, static_cast<char>(c));
        return token;
    }
    const std::size_t start = position_;
    while (position_ < bytes_.size() && !IsPdfWhiteSpace(bytes_[position_]) && !IsPdfDelimiter(bytes_[position_])) {
        ++position_;
    }
    token.text.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(start), bytes_.begin() + static_cast<std::ptrdiff_t>(position_));
    token.kind = ParseNumber(token.text, token.number, token.integer) ? PdfTokenKind::Number : PdfTokenKind::Keyword;
    return token;
}

std::string PdfLexer::LiteralString() {
    std::string text;
    int depth = 1;
    while (position_ < bytes_.size()) {
        const std::uint8_t c = bytes_[position_++];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) return text;
        } else if (c == '\\') {
            if (position_ >= bytes_.size()) break;
            const std::uint8_t e = bytes_[position_++];
            switch (e) {
                case 'n': text += '\n'; continue;
                case 'r': text += '\r'; continue;
                case 't': text += '\t'; continue;
                case 'b': text += '\b'; continue;
                case 'f': text += '\f'; continue;
                case '\r':  // a line continuation: the backslash and its end of line are dropped
                    if (position_ < bytes_.size() && bytes_[position_] == '\n') ++position_;
                    continue;
                case '\n': continue;
                default: break;
            }
            if (e >= '0' && e <= '7') {
                int value = e - '0';
                for (int n = 0; n < 2 && position_ < bytes_.size() && bytes_[position_] >= '0' && bytes_[position_] <= '7'; ++n) {
                    value = value * 8 + (bytes_[position_++] - '0');
                }
                text += static_cast<char>(value & 0xFF);
                continue;
            }
            text += static_cast<char>(e);  // \( \) \\ and an unknown escape give the character
            continue;
        }
        text += static_cast<char>(c);
    }
    return text;
}

std::string PdfLexer::HexString() {
    std::string text;
    int high = -1;
    while (position_ < bytes_.size()) {
        const std::uint8_t c = bytes_[position_++];
        if (c == '>') break;
        const int value = HexValue(c);
        if (value < 0) continue;  // white space, or a stray character in a damaged string
        if (high < 0) {
            high = value;
        } else {
            text += static_cast<char>(high * 16 + value);
            high = -1;
        }
    }
    if (high >= 0) text += static_cast<char>(high * 16);  // an odd last digit is followed by 0
    return text;
}

std::string PdfLexer::Name() {
    std::string text;
    while (position_ < bytes_.size() && !IsPdfWhiteSpace(bytes_[position_]) && !IsPdfDelimiter(bytes_[position_])) {
        const std::uint8_t c = bytes_[position_++];
        if (c == '#' && position_ + 1 < bytes_.size() && HexValue(bytes_[position_]) >= 0 &&
            HexValue(bytes_[position_ + 1]) >= 0) {
            text += static_cast<char>(HexValue(bytes_[position_]) * 16 + HexValue(bytes_[position_ + 1]));
            position_ += 2;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

}  // namespace tundrel
