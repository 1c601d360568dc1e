#include "preview/pdf_objects.h"

#include <algorithm>
#include <string_view>

#include "preview/pdf_flate.h"
#include "preview/preview_limits.h"

namespace tundrel {

namespace {

constexpr std::size_t kMaxObjects = 500'000;
constexpr std::size_t kMaxValueNodes = 1'000'000;
constexpr std::size_t kMaxTrailerNodes = 10'000;
constexpr int kMaxNesting = 32;
constexpr int kMaxReferenceChain = 8;
// All the streams of one file together inflate to no more than this.
constexpr std::size_t kFileInflateLimit = 4 * kInflateLimit;

const PdfValue kNull{};

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

std::size_t Find(std::span<const std::uint8_t> bytes, std::string_view word, std::size_t from) {
    if (from >= bytes.size()) return std::string_view::npos;
    const auto at = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(), word.begin(), word.end(),
                                [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
    return at == bytes.end() ? std::string_view::npos : static_cast<std::size_t>(at - bytes.begin());
}

// The object number of an "obj" keyword at `at`, written "NUMBER GENERATION obj".
std::optional<std::uint32_t> ObjectNumberBefore(std::span<const std::uint8_t> bytes, std::size_t at) {
    if (at + 3 < bytes.size() && !IsPdfWhiteSpace(bytes[at + 3]) && !IsPdfDelimiter(bytes[at + 3])) return std::nullopt;
    std::size_t i = at;
    const auto skipSpace = [&] {
        const std::size_t before = i;
        while (i > 0 && IsPdfWhiteSpace(bytes[i - 1])) --i;
        return i != before;
    };
    const auto skipDigits = [&] {
        const std::size_t before = i;
        while (i > 0 && before - i < 10 && IsDigit(bytes[i - 1])) --i;
        return i != before;
    };
    if (!skipSpace() || !skipDigits() || !skipSpace()) return std::nullopt;
    const std::size_t numberEnd = i;
    if (!skipDigits()) return std::nullopt;
    if (i > 0 && !IsPdfWhiteSpace(bytes[i - 1]) && !IsPdfDelimiter(bytes[i - 1])) return std::nullopt;
    std::uint64_t number = 0;
    for (std::size_t k = i; k < numberEnd; ++k) number = number * 10 + (bytes[k] - '0');
    if (number > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

bool EndsValueList(const PdfToken& token) {
    return token.kind == PdfTokenKind::End ||
           (token.kind == PdfTokenKind::Keyword && (token.text == "endobj" || token.text == "stream" || token.text == "obj"));
}

PdfValue ParseValue(PdfLexer& lexer, std::size_t& budget, int depth) {
    PdfValue value;
    if (budget == 0) return value;
    --budget;
    PdfToken token = lexer.Next();
    switch (token.kind) {
        case PdfTokenKind::Number: {
            value.kind = PdfValue::Kind::Number;
            value.number = token.number;
            if (token.integer && token.number >= 0 && token.number <= 0xFFFFFFFFu) {
                const std::size_t back = lexer.Position();
                const PdfToken generation = lexer.Next();
                if (generation.kind == PdfTokenKind::Number && generation.integer && lexer.Next().Is(PdfTokenKind::Keyword, "R")) {
                    value.kind = PdfValue::Kind::Reference;
                } else {
                    lexer.Seek(back);
                }
            }
            return value;
        }
        case PdfTokenKind::Name:
        case PdfTokenKind::String:
            value.kind = token.kind == PdfTokenKind::Name ? PdfValue::Kind::Name : PdfValue::Kind::String;
            value.text = std::move(token.text);
            return value;
        case PdfTokenKind::Keyword:
            if (token.text == "true" || token.text == "false") {
                value.kind = PdfValue::Kind::Boolean;
                value.boolean = token.text == "true";
            }
            return value;
        case PdfTokenKind::ArrayOpen:
        case PdfTokenKind::DictionaryOpen:
            break;
        default:
            return value;
    }
    const bool dictionary = token.kind == PdfTokenKind::DictionaryOpen;
    value.kind = dictionary ? PdfValue::Kind::Dictionary : PdfValue::Kind::Array;
    const PdfTokenKind close = dictionary ? PdfTokenKind::DictionaryClose : PdfTokenKind::ArrayClose;
    while (budget > 0) {
        const std::size_t back = lexer.Position();
        const PdfToken next = lexer.Next();
        if (next.kind == close) break;
        if (EndsValueList(next)) {
            lexer.Seek(back);  // a damaged object: its end keyword is not swallowed
            break;
        }
        if (next.kind == PdfTokenKind::ArrayClose || next.kind == PdfTokenKind::DictionaryClose) continue;  // a stray close
        if (dictionary) {
            if (next.kind != PdfTokenKind::Name) continue;  // a stray token where a key belongs
            const std::size_t valueStart = lexer.Position();
            const PdfToken peek = lexer.Next();
            lexer.Seek(valueStart);
            // A key without a value: the close that follows it is not taken for its value.
            if (peek.kind == PdfTokenKind::ArrayClose || peek.kind == PdfTokenKind::DictionaryClose || EndsValueList(peek)) {
                continue;
            }
            PdfValue key;
            key.kind = PdfValue::Kind::Name;
            key.text = next.text;
            value.items.push_back(std::move(key));
        } else {
            lexer.Seek(back);
        }
        if (depth >= kMaxNesting) {
            // Too deep: the rest of this value is passed over token by token, each as a null.
            lexer.Next();
            --budget;
            value.items.emplace_back();
        } else {
            value.items.push_back(ParseValue(lexer, budget, depth + 1));
        }
    }
    return value;
}

}  // namespace

const PdfValue* PdfValue::Get(std::string_view key) const {
    if (kind != Kind::Dictionary) return nullptr;
    for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
        if (items[i].text == key) return &items[i + 1];
    }
    return nullptr;
}

std::optional<std::int64_t> PdfValue::Integer() const {
    if (kind != Kind::Number || number < -9e15 || number > 9e15) return std::nullopt;
    return static_cast<std::int64_t>(number);
}

PdfValue ParsePdfValue(PdfLexer& lexer, std::size_t& nodeBudget) { return ParseValue(lexer, nodeBudget, 0); }

PdfObjects::PdfObjects(std::span<const std::uint8_t> file)
    : file_(file), nodeBudget_(kMaxValueNodes), inflateBudget_(kFileInflateLimit) {
    FindObjects();
    const std::size_t direct = order_.size();
    for (std::size_t i = 0; i < direct; ++i) {
        const Entry& entry = entries_[order_[i]];
        if (entry.hasStream && Get(Value(order_[i]), "Type").IsName("ObjStm")) ReadObjectStream(order_[i]);
    }
}

void PdfObjects::FindObjects() {
    std::size_t position = 0;
    while (entries_.size() < kMaxObjects) {
        const std::size_t at = Find(file_, "obj", position);
        if (at == std::string_view::npos) return;
        position = at + 3;
        const std::optional<std::uint32_t> number = ObjectNumberBefore(file_, at);
        if (!number) continue;

        Entry entry;
        entry.valueOffset = at + 3;
        PdfLexer lexer(file_, at + 3);
        // Walk the object's tokens to its end: "endobj", the next object's "obj" or "stream".
        while (true) {
            lexer.SkipWhiteSpaceAndComments();
            const std::size_t tokenStart = lexer.Position();
            const PdfToken token = lexer.Next();
            if (token.kind == PdfTokenKind::End) {
                position = file_.size();
                break;
            }
            if (token.kind != PdfTokenKind::Keyword) continue;
            if (token.text == "endobj") {
                position = lexer.Position();
                break;
            }
            if (token.text == "obj") {
                position = tokenStart;
                break;
            }
            if (token.text == "stream") {
                std::size_t start = lexer.Position();
                if (start < file_.size() && file_[start] == '\r') ++start;
                if (start < file_.size() && file_[start] == '\n') ++start;
                entry.hasStream = true;
                entry.streamStart = start;
                const std::size_t end = Find(file_, "endstream", start);
                if (end == std::string_view::npos) {
                    // No end: the stream runs to the end of the file, and objects found
                    // inside it are taken as a damaged file's own.
                    entry.streamEnd = file_.size();
                    position = start;
                } else {
                    std::size_t trimmed = end;
                    if (trimmed > start && file_[trimmed - 1] == '\n') --trimmed;
                    if (trimmed > start && file_[trimmed - 1] == '\r') --trimmed;
                    entry.streamEnd = trimmed;
                    position = end + 9;
                }
                break;
            }
        }
        // A later definition of a number replaces an earlier one, as an incremental update does.
        if (entries_.find(*number) == entries_.end()) order_.push_back(*number);
        entries_[*number] = entry;
    }
}

void PdfObjects::ReadObjectStream(std::uint32_t number) {
    const PdfValue& dictionary = Value(number);
    const std::optional<std::int64_t> count = Get(dictionary, "N").Integer();
    const std::optional<std::int64_t> first = Get(dictionary, "First").Integer();
    if (!count || !first || *count <= 0 || *first < 0) return;
    const std::span<const std::uint8_t> bytes = Stream(number);
    if (static_cast<std::uint64_t>(*first) > bytes.size()) return;
    PdfLexer header(bytes.first(static_cast<std::size_t>(*first)));
    for (std::int64_t i = 0; i < *count && entries_.size() < kMaxObjects; ++i) {
        const PdfToken objectNumber = header.Next();
        const PdfToken offset = header.Next();
        if (objectNumber.kind != PdfTokenKind::Number || offset.kind != PdfTokenKind::Number || !objectNumber.integer ||
            !offset.integer || objectNumber.number < 0 || objectNumber.number > 0xFFFFFFFFu || offset.number < 0 ||
            offset.number >= static_cast<double>(bytes.size())) {
            return;
        }
        const auto n = static_cast<std::uint32_t>(objectNumber.number);
        if (entries_.count(n) != 0) continue;  // an object written outside any object stream stands
        Entry entry;
        entry.inContainer = true;
        entry.container = number;
        entry.valueOffset = static_cast<std::size_t>(*first) + static_cast<std::size_t>(offset.number);
        entries_.emplace(n, entry);
        order_.push_back(n);
    }
}

const PdfValue& PdfObjects::Value(std::uint32_t number) {
    if (const auto cached = values_.find(number); cached != values_.end()) return cached->second;
    const auto found = entries_.find(number);
    if (found == entries_.end()) return kNull;
    const Entry entry = found->second;
    PdfValue& value = values_[number];  // reserved first, so that a reference to itself ends
    const std::span<const std::uint8_t> bytes = entry.inContainer ? Stream(entry.container) : file_;
    if (entry.valueOffset >= bytes.size()) return value;
    PdfLexer lexer(bytes, entry.valueOffset);
    value = ParsePdfValue(lexer, nodeBudget_);
    return value;
}

const PdfValue& PdfObjects::Resolve(const PdfValue& value) {
    const PdfValue* current = &value;
    for (int hop = 0; hop < kMaxReferenceChain && current->kind == PdfValue::Kind::Reference; ++hop) {
        current = &Value(current->ReferenceNumber());
    }
    return current->kind == PdfValue::Kind::Reference ? kNull : *current;
}

const PdfValue& PdfObjects::Get(const PdfValue& dictionary, std::string_view key) {
    const PdfValue* entry = dictionary.Get(key);
    return entry == nullptr ? kNull : Resolve(*entry);
}

bool PdfObjects::HasStream(std::uint32_t number) const {
    const auto found = entries_.find(number);
    return found != entries_.end() && found->second.hasStream;
}

std::optional<PdfValue> PdfObjects::LastTrailer() const {
    const std::string_view word = "trailer";
    const auto at = std::find_end(file_.begin(), file_.end(), word.begin(), word.end(),
                                  [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
    if (at == file_.end()) return std::nullopt;
    PdfLexer lexer(file_, static_cast<std::size_t>(at - file_.begin()) + word.size());
    std::size_t budget = kMaxTrailerNodes;
    PdfValue trailer = ParsePdfValue(lexer, budget);
    if (trailer.kind != PdfValue::Kind::Dictionary) return std::nullopt;
    return trailer;
}

std::span<const std::uint8_t> PdfObjects::RawStream(const Entry& entry, const PdfValue& dictionary) {
    // The length the dictionary gives is taken when "endstream" follows it; else the keyword ends the stream.
    if (const std::optional<std::int64_t> length = Get(dictionary, "Length").Integer(); length && *length >= 0) {
        const auto size = static_cast<std::uint64_t>(*length);
        if (size <= file_.size() - entry.streamStart) {
            PdfLexer after(file_, entry.streamStart + static_cast<std::size_t>(size));
            if (after.Next().Is(PdfTokenKind::Keyword, "endstream")) {
                return file_.subspan(entry.streamStart, static_cast<std::size_t>(size));
            }
        }
    }
    return file_.subspan(entry.streamStart, entry.streamEnd - entry.streamStart);
}

std::span<const std::uint8_t> PdfObjects::Stream(std::uint32_t number) {
    if (const auto known = streams_.find(number); known != streams_.end()) return known->second;
    const auto found = entries_.find(number);
    if (found == entries_.end() || !found->second.hasStream) return {};
    const Entry entry = found->second;
    streams_[number] = {};  // a stream whose Length lies inside itself reads as empty meanwhile
    const std::span<const std::uint8_t> decoded = Decode(entry, Value(number));
    streams_[number] = decoded;
    return decoded;
}

std::span<const std::uint8_t> PdfObjects::Decode(const Entry& entry, const PdfValue& dictionary) {
    const std::span<const std::uint8_t> raw = RawStream(entry, dictionary);
    const PdfValue& filter = Get(dictionary, "Filter");
    const PdfValue* only = &filter;
    if (filter.kind == PdfValue::Kind::Array) {
        if (filter.items.size() > 1) return {};
        only = filter.items.empty() ? &kNull : &Resolve(filter.items[0]);
    }
    if (only->kind == PdfValue::Kind::Null) return raw;
    if (!only->IsName("FlateDecode") && !only->IsName("Fl")) return {};
    const PdfValue& parameters = Get(dictionary, "DecodeParms");
    const PdfValue& predictor = Get(parameters.kind == PdfValue::Kind::Array && !parameters.items.empty()
                                        ? Resolve(parameters.items[0])
                                        : parameters,
                                    "Predictor");
    if (predictor.Integer().value_or(1) > 1) return {};
    std::vector<std::uint8_t>& decoded = decoded_.emplace_back(InflatePdfStream(raw, std::min<std::size_t>(kInflateLimit, inflateBudget_)));
    inflateBudget_ -= decoded.size();
    return decoded;
}

}  // namespace tundrel
