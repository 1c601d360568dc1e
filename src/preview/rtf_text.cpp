#include "preview/rtf_text.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "support/text.h"

namespace tundrel {

namespace {

constexpr std::size_t kMaxWordLength = 32;
constexpr std::size_t kMaxDigits = 10;

// Destinations whose text is not the document's body.
constexpr std::array<std::string_view, 22> kSkippedDestinations{
    "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "objdata", "fldinst", "themedata",
    "colorschememapping", "datastore", "latentstyles", "listtable", "listoverridetable", "rsidtbl",
    "generator", "xmlnstbl", "mmathPr", "header", "footer", "filetbl", "revtbl"};

// The ICU name of a Windows code page number.
std::string CodePageName(long number) {
    switch (number) {
        case 932: return "cp932";
        case 65001: return "UTF-8";
        default: return FormatText("windows-%ld", number);
    }
}

bool IsLetter(std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

int HexValue(std::uint8_t c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

struct GroupState {
    bool skipped = false;        // inside a destination that is not shown
    long unicodeFallback = 1;    // \ucN: characters that stand in for each \uN
};

class RtfReader {
public:
    RtfReader(std::span<const std::uint8_t> document, AnsiCodePage& codePage)
        : document_(document), codePage_(&codePage) {}

    std::u16string Read() {
        while (at_ < document_.size()) {
            const std::uint8_t c = document_[at_++];
            if (c == '{') {
                OpenGroup();
            } else if (c == '}') {
                CloseGroup();
            } else if (c == '\\') {
                ControlSequence();
            } else if (c != '\r' && c != '\n') {
                TextByte(c);
            }
        }
        Flush();
        return std::move(text_);
    }

private:
    GroupState& State() { return groups_.back(); }

    void OpenGroup() {
        if (groups_.size() >= kRtfMaxGroupDepth) {
            ++overflow_;
            return;
        }
        groups_.push_back(State());
        groupStart_ = true;
    }

    void CloseGroup() {
        Flush();
        pendingFallback_ = 0;
        if (overflow_ > 0) {
            --overflow_;
        } else if (groups_.size() > 1) {
            groups_.pop_back();
        }
    }

    // A byte of the document's text in its code page, or one that stands in for a \uN.
    void TextByte(std::uint8_t byte) {
        if (pendingFallback_ > 0) {
            --pendingFallback_;
            return;
        }
        groupStart_ = false;
        if (!State().skipped) bytes_.push_back(byte);
    }

    void Unit(std::u16string_view units) {
        groupStart_ = false;
        if (State().skipped) return;
        Flush();
        text_ += units;
    }

    void Flush() {
        if (bytes_.empty()) return;
        text_ += (documentPage_ ? *documentPage_ : *codePage_).Decode(bytes_);
        bytes_.clear();
    }

    void ControlSequence() {
        if (at_ >= document_.size()) return;
        const std::uint8_t c = document_[at_];
        if (!IsLetter(c)) {
            ++at_;
            ControlSymbol(c);
            return;
        }
        std::string word;
        while (at_ < document_.size() && IsLetter(document_[at_]) && word.size() < kMaxWordLength) {
            word += static_cast<char>(document_[at_++]);
        }
        std::optional<long> parameter;
        bool negative = false;
        if (at_ < document_.size() && document_[at_] == '-') {
            negative = true;
            ++at_;
        }
        std::size_t digits = 0;
        long value = 0;
        while (at_ < document_.size() && IsDigit(document_[at_])) {
            if (digits++ < kMaxDigits) value = value * 10 + (document_[at_] - '0');
            ++at_;
        }
        if (digits > 0) parameter = negative ? -value : value;
        if (at_ < document_.size() && document_[at_] == ' ') ++at_;
        ControlWord(word, parameter);
    }

    void ControlSymbol(std::uint8_t c) {
        switch (c) {
            case '\\': case '{': case '}': TextByte(c); break;
            case '\'': {
                const int high = at_ < document_.size() ? HexValue(document_[at_]) : -1;
                const int low = at_ + 1 < document_.size() ? HexValue(document_[at_ + 1]) : -1;
                if (high < 0 || low < 0) return;
                at_ += 2;
                TextByte(static_cast<std::uint8_t>(high * 16 + low));
                break;
            }
            case '*':
                if (groupStart_) State().skipped = true;
                break;
            case '~': Fallback() ? void() : Unit(u"\u00A0"); break;
            case '_': Fallback() ? void() : Unit(u"-"); break;
            case '\r': case '\n': Fallback() ? void() : Unit(u"\r\n"); break;
            case '\t': Fallback() ? void() : Unit(u"\t"); break;
            default: break;  // \- (optional hyphen), \: (index entry) and the like show nothing
        }
    }

    // Whether the control stands in for a \uN just read, and is passed over.
    bool Fallback() {
        if (pendingFallback_ == 0) return false;
        --pendingFallback_;
        return true;
    }

    void ControlWord(const std::string& word, std::optional<long> parameter) {
        const bool atGroupStart = groupStart_;
        groupStart_ = false;
        if (word == "bin") {  // binary data of N bytes follows
            const auto length = static_cast<std::size_t>(std::max(0L, parameter.value_or(0)));
            at_ += std::min(length, document_.size() - at_);
            return;
        }
        if (word == "u" && parameter) {
            const long value = *parameter < 0 ? *parameter + 65536 : *parameter;
            const char16_t unit = value >= 0 && value <= 0xFFFF ? static_cast<char16_t>(value) : u'\uFFFD';
            Unit(std::u16string_view(&unit, 1));
            pendingFallback_ = State().unicodeFallback;
            return;
        }
        if (Fallback()) return;
        if (word == "uc") {
            State().unicodeFallback = std::max(0L, std::min(parameter.value_or(1), 16L));
        } else if (word == "ansicpg" && parameter && parameter != documentPageNumber_) {
            Flush();
            documentPage_ = std::make_unique<AnsiCodePage>(CodePageName(*parameter));
            documentPageNumber_ = parameter;
        } else if (atGroupStart && std::ranges::find(kSkippedDestinations, word) != kSkippedDestinations.end()) {
            State().skipped = true;
        } else if (word == "par" || word == "line" || word == "row" || word == "sect" || word == "page") {
            Unit(u"\r\n");
        } else if (word == "tab" || word == "cell") {
            Unit(u"\t");
        } else if (word == "emdash") {
            Unit(u"\u2014");
        } else if (word == "endash") {
            Unit(u"\u2013");
        } else if (word == "bullet") {
            Unit(u"\u2022");
        } else if (word == "lquote") {
            Unit(u"\u2018");
        } else if (word == "rquote") {
            Unit(u"\u2019");
        } else if (word == "ldblquote") {
            Unit(u"\u201C");
        } else if (word == "rdblquote") {
            Unit(u"\u201D");
        }
    }

    std::span<const std::uint8_t> document_;
    AnsiCodePage* codePage_;
    std::unique_ptr<AnsiCodePage> documentPage_;
    std::optional<long> documentPageNumber_;
    std::size_t at_ = 0;
    std::vector<GroupState> groups_{GroupState{}};
    std::size_t overflow_ = 0;
    bool groupStart_ = false;     // no text nor control word yet in the group just opened
    long pendingFallback_ = 0;    // fallback characters of a \uN still to pass over
    std::vector<std::uint8_t> bytes_;
    std::u16string text_;
};

}  // namespace

std::u16string RtfPlainText(std::span<const std::uint8_t> document, AnsiCodePage& codePage) {
    return RtfReader(document, codePage).Read();
}

}  // namespace tundrel
