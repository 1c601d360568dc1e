#pragma once
// The tokens of PDF syntax, shared by object bodies, content streams and character maps:
// numbers, names, literal and hexadecimal strings, keywords and the delimiters of arrays and
// dictionaries. Every read is checked against the span; an unterminated string or name ends
// at the end of the bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tundrel {

enum class PdfTokenKind : unsigned char {
    End,
    Number,
    Name,     // `text` without the slash, #xx escapes decoded
    String,   // `text` holds the string's bytes, escapes decoded
    Keyword,  // any other run of regular characters: obj, R, Tj, true, ...
    ArrayOpen,
    ArrayClose,
    DictionaryOpen,
    DictionaryClose,
    Other,  // a stray delimiter: '{', '}', ')', a lone '>'
};

struct PdfToken {
    PdfTokenKind kind = PdfTokenKind::End;
    std::string text;
    double number = 0;
    bool integer = false;  // a number written without a decimal point

    bool Is(PdfTokenKind k, std::string_view t) const { return kind == k && text == t; }
};

bool IsPdfWhiteSpace(std::uint8_t c);
bool IsPdfDelimiter(std::uint8_t c);

class PdfLexer {
public:
    explicit PdfLexer(std::span<const std::uint8_t> bytes, std::size_t position = 0)
        : bytes_(bytes), position_(position < bytes.size() ? position : bytes.size()) {}

    PdfToken Next();
    std::size_t Position() const { return position_; }
    void Seek(std::size_t position) { position_ = position < bytes_.size() ? position : bytes_.size(); }
    void SkipWhiteSpaceAndComments();
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

private:
    std::string LiteralString();
    std::string HexString();
    std::string Name();

    std::span<const std::uint8_t> bytes_;
    std::size_t position_;
};

}  // namespace tundrel
