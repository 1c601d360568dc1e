#pragma once
// The objects of a PDF file, found by their "obj" keywords rather than through the
// cross-reference table, so that a damaged or truncated file still gives the objects it holds.
// Values are parsed when first asked for; streams are decoded (FlateDecode) when first asked
// for. Object counts, parsed values and inflated bytes are capped for the whole file.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "preview/pdf_lexer.h"

namespace tundrel {

struct PdfValue {
    enum class Kind : unsigned char { Null, Boolean, Number, Name, String, Array, Dictionary, Reference };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;            // a number, or the object number a reference names
    std::string text;             // a name or the bytes of a string
    std::vector<PdfValue> items;  // an array's items; a dictionary's keys (as names) and values, alternately

    // A dictionary's entry, or nullptr.
    const PdfValue* Get(std::string_view key) const;
    bool IsName(std::string_view name) const { return kind == Kind::Name && text == name; }
    std::optional<std::int64_t> Integer() const;
    std::uint32_t ReferenceNumber() const { return static_cast<std::uint32_t>(number); }
};

// One value read from `lexer`: references ("12 0 R") included, nesting to a fixed depth; each
// value made takes one from `nodeBudget`, and none are made once it is spent.
PdfValue ParsePdfValue(PdfLexer& lexer, std::size_t& nodeBudget);

class PdfObjects {
public:
    explicit PdfObjects(std::span<const std::uint8_t> file);
    PdfObjects(const PdfObjects&) = delete;
    PdfObjects& operator=(const PdfObjects&) = delete;

    // The numbers of the objects found, in file order, then those held in object streams.
    const std::vector<std::uint32_t>& Numbers() const { return order_; }
    // The value of object `number`; a null value when it was not found.
    const PdfValue& Value(std::uint32_t number);
    // `value`, or the value it refers to (through a short chain of references).
    const PdfValue& Resolve(const PdfValue& value);
    // An entry of a dictionary, resolved; a null value when absent.
    const PdfValue& Get(const PdfValue& dictionary, std::string_view key);
    bool HasStream(std::uint32_t number) const;
    // The dictionary after the file's last "trailer" keyword, when there is one.
    std::optional<PdfValue> LastTrailer() const;
    // The decoded bytes of object `number`'s stream: empty when it has none or its filters are
    // other than a predictor-free FlateDecode.
    std::span<const std::uint8_t> Stream(std::uint32_t number);

private:
    struct Entry {
        std::size_t valueOffset = 0;  // in the file, or in the decoded container stream
        std::size_t streamStart = 0;
        std::size_t streamEnd = 0;  // where "endstream" (or the file) ends the stream
        bool hasStream = false;
        std::uint32_t container = 0;  // the object stream holding it, when `inContainer`
        bool inContainer = false;
    };

    void FindObjects();
    void ReadObjectStream(std::uint32_t number);
    std::span<const std::uint8_t> RawStream(const Entry& entry, const PdfValue& dictionary);
    std::span<const std::uint8_t> Decode(const Entry& entry, const PdfValue& dictionary);

    std::span<const std::uint8_t> file_;
    std::unordered_map<std::uint32_t, Entry> entries_;
    std::vector<std::uint32_t> order_;
    std::unordered_map<std::uint32_t, PdfValue> values_;
    std::unordered_map<std::uint32_t, std::span<const std::uint8_t>> streams_;  // each stream decoded once
    std::deque<std::vector<std::uint8_t>> decoded_;                              // the inflated bytes they show

    std::size_t nodeBudget_;
    std::size_t inflateBudget_;
};

}  // namespace tundrel
