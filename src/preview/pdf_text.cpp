#include "preview/pdf_text.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "preview/pdf_content.h"
#include "preview/pdf_font.h"
#include "preview/pdf_objects.h"
#include "preview/preview_limits.h"
#include "preview/text_wrap.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {

namespace {

constexpr int kMaxTreeDepth = 64;
constexpr int kMaxFormDepth = 16;
// All the content streams of a file together are interpreted for at most this many bytes; a
// drawn form counts for at least kFormCost, so that forms drawing forms many times end.
constexpr std::size_t kContentWorkLimit = 4 * kInflateLimit;
constexpr std::size_t kFormCost = 1024;
constexpr std::size_t kMaxFonts = 4096;
// The text of a whole file holds at most this many characters.
constexpr std::size_t kMaxTextUnits = 20'000'000;

bool Contains(std::span<const std::uint8_t> bytes, std::string_view word) {
    return std::search(bytes.begin(), bytes.end(), word.begin(), word.end(),
                       [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }) != bytes.end();
}

struct Page {
    const PdfValue* dictionary;
    const PdfValue* resources;
};

class PageTree {
public:
    explicit PageTree(PdfObjects& objects) : objects_(objects) {}

    std::vector<Page> Pages() {
        if (const std::optional<std::uint32_t> root = TrailerRoot()) AddTree(objects_.Get(objects_.Value(*root), "Pages"));
        if (!pages_.empty()) return pages_;
        // No catalog to start from: the catalogs found, else the roots of page trees, else
        // every page object, in file order.
        for (const std::uint32_t number : objects_.Numbers()) {
            const PdfValue& value = objects_.Value(number);
            if (objects_.Get(value, "Type").IsName("Catalog")) AddTree(objects_.Get(value, "Pages"));
        }
        if (!pages_.empty()) return pages_;
        for (const std::uint32_t number : objects_.Numbers()) {
            const PdfValue& value = objects_.Value(number);
            if (objects_.Get(value, "Type").IsName("Pages") && value.Get("Parent") == nullptr && visited_.insert(number).second) {
                Walk(value, nullptr, 0);
            }
        }
        if (!pages_.empty()) return pages_;
        for (const std::uint32_t number : objects_.Numbers()) {
            const PdfValue& value = objects_.Value(number);
            if (objects_.Get(value, "Type").IsName("Page")) AddPage(value, nullptr);
        }
        return pages_;
    }

private:
    // The catalog the last trailer (or cross-reference stream) names.
    std::optional<std::uint32_t> TrailerRoot() {
        if (const std::optional<PdfValue> trailer = objects_.LastTrailer()) {
            const PdfValue* ref = trailer->Get("Root");
            if (ref != nullptr && ref->kind == PdfValue::Kind::Reference) return ref->ReferenceNumber();
        }
        std::optional<std::uint32_t> root;
        for (const std::uint32_t number : objects_.Numbers()) {
            if (!objects_.HasStream(number)) continue;
            const PdfValue& value = objects_.Value(number);
            const PdfValue* ref = value.Get("Root");
            if (ref != nullptr && ref->kind == PdfValue::Kind::Reference && objects_.Get(value, "Type").IsName("XRef")) {
                root = ref->ReferenceNumber();
            }
        }
        return root;
    }

    void AddTree(const PdfValue& node) {
        if (node.kind == PdfValue::Kind::Dictionary && pages_.empty()) Walk(node, nullptr, 0);
    }

    void AddPage(const PdfValue& page, const PdfValue* inherited) {
        const PdfValue& own = objects_.Get(page, "Resources");
        pages_.push_back({&page, own.kind == PdfValue::Kind::Dictionary ? &own : inherited});
    }

    void Walk(const PdfValue& node, const PdfValue* inherited, int depth) {
        const PdfValue& kids = objects_.Get(node, "Kids");
        const bool intermediate = objects_.Get(node, "Type").IsName("Pages") || kids.kind == PdfValue::Kind::Array;
        if (!intermediate) {
            AddPage(node, inherited);
            return;
        }
        if (depth >= kMaxTreeDepth) return;
        const PdfValue& own = objects_.Get(node, "Resources");
        const PdfValue* resources = own.kind == PdfValue::Kind::Dictionary ? &own : inherited;
        for (const PdfValue& kid : kids.items) {
            // Each node is taken once: a Kids loop, or a page listed twice, ends here.
            if (kid.kind == PdfValue::Kind::Reference && !visited_.insert(kid.ReferenceNumber()).second) continue;
            const PdfValue& child = objects_.Resolve(kid);
            if (child.kind == PdfValue::Kind::Dictionary) Walk(child, resources, depth + 1);
        }
    }

    PdfObjects& objects_;
    std::vector<Page> pages_;
    std::unordered_set<std::uint32_t> visited_;
};

class TextCollector : public PdfContentHandler {
public:
    TextCollector(PdfObjects& objects, AnsiCodePage& ansi) : objects_(objects), codePages_(ansi) {}

    std::u16string PageText(const Page& page) {
        text_.clear();
        resources_ = page.resources;
        font_ = &defaultFont_;
        const PdfValue& contents = objects_.Get(*page.dictionary, "Contents");
        const PdfValue* direct = page.dictionary->Get("Contents");
        if (direct != nullptr && direct->kind == PdfValue::Kind::Reference && contents.kind != PdfValue::Kind::Array) {
            Interpret(objects_.Stream(direct->ReferenceNumber()));
        } else if (contents.kind == PdfValue::Kind::Array) {
            // The streams of an array are one content stream, split anywhere between tokens.
            std::vector<std::uint8_t> joined;
            for (const PdfValue& part : contents.items) {
                if (part.kind != PdfValue::Kind::Reference) continue;
                const std::span<const std::uint8_t> bytes = objects_.Stream(part.ReferenceNumber());
                if (bytes.size() > work_) break;
                joined.insert(joined.end(), bytes.begin(), bytes.end());
                joined.push_back('\n');
            }
            Interpret(joined);
        }
        return WrapText(text_, kPdfPageWrap);
    }

    void SetFont(std::string_view name) override {
        const PdfValue* fonts = resources_ == nullptr ? nullptr : &objects_.Get(*resources_, "Font");
        const PdfValue* dictionary = fonts == nullptr ? nullptr : &objects_.Get(*fonts, name);
        if (dictionary == nullptr || dictionary->kind != PdfValue::Kind::Dictionary) {
            font_ = &defaultFont_;
            return;
        }
        auto found = fonts_.find(dictionary);
        if (found == fonts_.end() && fonts_.size() >= kMaxFonts) {
            font_ = &defaultFont_;
            return;
        }
        if (found == fonts_.end()) found = fonts_.emplace(dictionary, PdfFont(objects_, *dictionary, fontShare_)).first;
        font_ = &found->second;
    }

    PdfShown ShowText(std::string_view bytes) override {
        PdfShown shown;
        for (const char16_t c : font_->Decode(bytes, codePages_, shown.ems)) {
            ++shown.characters;
            if (c == u' ') ++shown.spaces;
            if (c < u' ' && c != u'\t' && c != u'\r' && c != u'\n') continue;  // control codes show nothing
            if (total_ >= kMaxTextUnits) continue;
            text_ += c;
            ++total_;
        }
        return shown;
    }

    void Break(PdfBreak kind) override {
        if (text_.empty() || text_.back() == u'\n') return;
        if (kind == PdfBreak::Line) {
            text_ += u"\r\n";
        } else if (text_.back() != u' ') {
            text_ += u' ';
        }
    }

    void DrawObject(std::string_view name) override {
        const PdfValue* objects = resources_ == nullptr ? nullptr : &objects_.Get(*resources_, "XObject");
        const PdfValue* ref = objects == nullptr ? nullptr : objects->Get(name);
        if (ref == nullptr || ref->kind != PdfValue::Kind::Reference || work_ < kFormCost) return;
        work_ -= kFormCost;
        const std::uint32_t number = ref->ReferenceNumber();
        const PdfValue& form = objects_.Value(number);
        // A form that draws itself, directly or through others, is not entered again.
        if (!objects_.Get(form, "Subtype").IsName("Form") || forms_.size() >= kMaxFormDepth ||
            std::find(forms_.begin(), forms_.end(), number) != forms_.end()) {
            return;
        }
        const PdfValue& own = objects_.Get(form, "Resources");
        const PdfValue* outerResources = resources_;
        const PdfFont* outerFont = font_;
        if (own.kind == PdfValue::Kind::Dictionary) resources_ = &own;
        forms_.push_back(number);
        Break(PdfBreak::Line);
        Interpret(objects_.Stream(number));
        Break(PdfBreak::Line);
        forms_.pop_back();
        resources_ = outerResources;
        font_ = outerFont;
    }

private:
    void Interpret(std::span<const std::uint8_t> content) {
        const std::span<const std::uint8_t> allowed = content.first(std::min(content.size(), work_));
        work_ -= allowed.size();
        InterpretPdfContent(allowed, *this);
    }

    PdfObjects& objects_;
    PdfCodePages codePages_;
    PdfFontShare fontShare_;
    std::map<const PdfValue*, PdfFont> fonts_;  // by dictionary; the object table keeps its values in place
    const PdfFont defaultFont_;
    const PdfFont* font_ = &defaultFont_;
    const PdfValue* resources_ = nullptr;
    std::vector<std::uint32_t> forms_;
    std::u16string text_;
    std::size_t total_ = 0;
    std::size_t work_ = kContentWorkLimit;
};

}  // namespace

PdfText ReadPdfText(std::span<const std::uint8_t> file, AnsiCodePage& ansi) {
    PdfText result;
    if (file.size() < 4 || !Contains(file.first(4), "%PDF")) {
        result.status = PdfTextStatus::BadHeader;
        return result;
    }
    if (Contains(file, "/Encrypt")) {
        result.status = PdfTextStatus::Encrypted;
        return result;
    }
    PdfObjects objects(file);
    TextCollector collector(objects, ansi);
    for (const Page& page : PageTree(objects).Pages()) result.pages.push_back(collector.PageText(page));
    return result;
}

std::u16string PdfDisplayText(const std::vector<std::u16string>& pages) {
    std::u16string out;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        std::u16string text;
        text.reserve(pages[i].size());
        for (std::size_t k = 0; k < pages[i].size(); ++k) {
            text += pages[i][k];
            if (pages[i][k] == u'\r' && (k + 1 == pages[i].size() || pages[i][k + 1] != u'\n')) text += u'\n';
        }
        out += ToUtf16(Formatted(StringId::PdfPageHeading, static_cast<int>(i + 1)));
        out += u"\r\n";
        out += WrapText(text, kPdfDisplayWrap);
        if (!out.ends_with(u"\r\n")) out += u"\r\n";
        out += u"\r\n";
    }
    return out;
}

std::u16string PdfStatusMessage(PdfTextStatus status) {
    switch (status) {
        case PdfTextStatus::BadHeader: return Text16(StringId::PdfBadHeader);
        case PdfTextStatus::Encrypted: return Text16(StringId::PdfEncrypted);
        case PdfTextStatus::Text: break;
    }
    return {};
}

}  // namespace tundrel
