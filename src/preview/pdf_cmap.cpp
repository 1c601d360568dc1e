#include "preview/pdf_cmap.h"

#include <algorithm>

#include "preview/pdf_lexer.h"

namespace tundrel {

namespace {

constexpr std::size_t kMaxEntries = 100'000;
constexpr std::size_t kMaxCodespaces = 64;
constexpr std::size_t kMaxValueUnits = 32;

std::uint64_t Key(std::uint32_t code, std::size_t length) { return (static_cast<std::uint64_t>(length) << 32) | code; }

// A code written as a string of 1 to 4 bytes.
std::optional<std::uint32_t> Code(const PdfToken& token) {
    if (token.kind != PdfTokenKind::String || token.text.empty() || token.text.size() > 4) return std::nullopt;
    std::uint32_t code = 0;
    for (const char c : token.text) code = (code << 8) | static_cast<std::uint8_t>(c);
    return code;
}

// A value: UTF-16BE bytes; a lone last byte is taken as a character of its own.
std::u16string Utf16(const std::string& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size() && text.size() < kMaxValueUnits; i += 2) {
        const auto high = static_cast<std::uint8_t>(bytes[i]);
        text += i + 1 < bytes.size() ? static_cast<char16_t>(high << 8 | static_cast<std::uint8_t>(bytes[i + 1]))
                                     : static_cast<char16_t>(high);
    }
    return text;
}

}  // namespace

PdfCMap::PdfCMap(std::span<const std::uint8_t> bytes) {
    PdfLexer lexer(bytes);
    std::size_t values = 0;  // every value held, in ranges' arrays too
    const auto entries = [&values] { return values; };
    for (PdfToken token = lexer.Next(); token.kind != PdfTokenKind::End; token = lexer.Next()) {
        if (token.kind != PdfTokenKind::Keyword) continue;
        if (token.text == "begincodespacerange") {
            for (PdfToken low = lexer.Next(); low.kind == PdfTokenKind::String; low = lexer.Next()) {
                const PdfToken high = lexer.Next();
                if (high.kind != PdfTokenKind::String || high.text.size() != low.text.size() || low.text.empty() ||
                    low.text.size() > 4 || codespaces_.size() >= kMaxCodespaces) {
                    continue;
                }
                codespaces_.push_back({{low.text.begin(), low.text.end()}, {high.text.begin(), high.text.end()}});
            }
        } else if (token.text == "beginbfchar") {
            for (PdfToken source = lexer.Next(); source.kind == PdfTokenKind::String; source = lexer.Next()) {
                const PdfToken value = lexer.Next();
                const std::optional<std::uint32_t> code = Code(source);
                if (value.kind != PdfTokenKind::String || !code || entries() >= kMaxEntries) continue;
                singles_[Key(*code, source.text.size())] = Utf16(value.text);
                ++values;
            }
        } else if (token.text == "beginbfrange") {
            for (PdfToken low = lexer.Next(); low.kind == PdfTokenKind::String; low = lexer.Next()) {
                const PdfToken high = lexer.Next();
                Range range;
                const std::optional<std::uint32_t> lowCode = Code(low);
                const std::optional<std::uint32_t> highCode = Code(high);
                PdfToken value = lexer.Next();
                if (value.kind == PdfTokenKind::ArrayOpen) {
                    for (value = lexer.Next(); value.kind == PdfTokenKind::String; value = lexer.Next()) {
                        if (values < kMaxEntries) {
                            range.each.push_back(Utf16(value.text));
                            ++values;
                        }
                    }
                    if (value.kind != PdfTokenKind::ArrayClose) break;  // a damaged array ends the block
                    if (range.each.empty()) continue;
                } else if (value.kind == PdfTokenKind::String) {
                    range.first = Utf16(value.text);
                    if (range.first.empty()) continue;
                } else {
                    break;
                }
                if (!lowCode || !highCode || *highCode < *lowCode || low.text.size() != high.text.size() ||
                    entries() >= kMaxEntries) {
                    continue;
                }
                range.low = *lowCode;
                range.high = *highCode;
                range.length = low.text.size();
                ranges_.push_back(std::move(range));
                ++values;
            }
        }
    }
    std::stable_sort(ranges_.begin(), ranges_.end(), [](const Range& a, const Range& b) { return a.low < b.low; });
}

std::size_t PdfCMap::CodeLength(std::span<const std::uint8_t> bytes, std::size_t fallbackLength) const {
    if (codespaces_.empty()) return std::clamp<std::size_t>(fallbackLength, 1, 4);
    std::size_t shortest = 4;
    for (std::size_t length = 1; length <= 4; ++length) {
        for (const Codespace& space : codespaces_) {
            if (space.low.size() != length) continue;
            shortest = std::min(shortest, length);
            if (bytes.size() < length) continue;
            bool inside = true;
            for (std::size_t i = 0; i < length && inside; ++i) inside = bytes[i] >= space.low[i] && bytes[i] <= space.high[i];
            if (inside) return length;
        }
    }
    return shortest;
}

std::optional<std::u16string> PdfCMap::Lookup(std::uint32_t code, std::size_t length) const {
    if (const auto found = singles_.find(Key(code, length)); found != singles_.end()) return found->second;
    // The ranges starting at or below the code, nearest first; overlapping ranges are rare,
    // so only a few are looked at.
    auto at = std::upper_bound(ranges_.begin(), ranges_.end(), code, [](std::uint32_t c, const Range& r) { return c < r.low; });
    for (int looked = 0; at != ranges_.begin() && looked < 8; ++looked) {
        --at;
        if (at->length != length || code > at->high) continue;
        const std::uint32_t step = code - at->low;
        if (!at->each.empty()) {
            if (step < at->each.size()) return at->each[step];
            continue;
        }
        std::u16string text = at->first;
        text.back() = static_cast<char16_t>(text.back() + step);
        return text;
    }
    return std::nullopt;
}

}  // namespace tundrel
