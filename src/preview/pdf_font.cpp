#include "preview/pdf_font.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace tundrel {

namespace {

// The ICU converter for a predefined CJK character map, by a part of its name; empty for
// none. The Unicode maps (UniGB-UCS2-H, UniJIS-UTF16-H, ...) are told apart first.
std::string CodePageOfMap(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kMaps{{
        {"GBK", "GBK"},
        {"GB2312", "GBK"},
        {"GB-EUC", "GBK"},
        {"GBpc-EUC", "GBK"},
        {"RKSJ", "CP932"},
        {"B5", "Big5"},
        {"KSC", "CP949"},
        {"UHC", "CP949"},
        {"EUC-", "EUC-JP"},  // the Japanese EUC-H and EUC-V
    }};
    for (const auto& [part, converter] : kMaps) {
        if (name.find(part) != std::string_view::npos) return std::string(converter);
    }
    return {};
}

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

std::u16string HexCodePoint(std::string_view hex) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    if (error != std::errc{} || end != hex.data() + hex.size() || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {};
    }
    if (value < 0x10000) return std::u16string(1, static_cast<char16_t>(value));
    value -= 0x10000;
    return {static_cast<char16_t>(0xD800 + (value >> 10)), static_cast<char16_t>(0xDC00 + (value & 0x3FF))};
}

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

}  // namespace

std::u16string GlyphNameText(std::string_view name) {
    name = name.substr(0, name.find('.'));  // "a.sc" is a variant of "a"
    if (name.size() == 1 && static_cast<unsigned char>(name[0]) < 0x80) return Widen(name);
    if (name.size() == 7 && name.substr(0, 3) == "uni") return HexCodePoint(name.substr(3));
    if (name.size() >= 5 && name.size() <= 7 && name[0] == 'u') return HexCodePoint(name.substr(1));
    static constexpr std::array<std::pair<std::string_view, char16_t>, 62> kNames{{
        {"space", u' '},        {"exclam", u'!'},       {"quotedbl", u'"'},      {"numbersign", u'#'},
        {"dollar", u'$'},       {"percent", u'%'},      {"ampersand", u'&'},     {"quotesingle", u'\''},
        {"parenleft", u'('},    {"parenright", u')'},   {"asterisk", u'*'},      {"plus", u'+'},
        {"comma", u','},        {"hyphen", u'-'},       {"period", u'.'},        {"slash", u'/'},
        {"zero", u'0'},         {"one", u'1'},          {"two", u'2'},           {"three", u'3'},
        {"four", u'4'},         {"five", u'5'},         {"six", u'6'},           {"seven", u'7'},
        {"eight", u'8'},        {"nine", u'9'},         {"colon", u':'},         {"semicolon", u';'},
        {"less", u'<'},         {"equal", u'='},        {"greater", u'>'},       {"question", u'?'},
        {"at", u'@'},           {"bracketleft", u'['},  {"backslash", u'\\'},    {"bracketright", u']'},
        {"asciicircum", u'^'},  {"underscore", u'_'},   {"grave", u'`'},         {"braceleft", u'{'},
        {"bar", u'|'},          {"braceright", u'}'},   {"asciitilde", u'~'},    {"quoteleft", u'\u2018'},
        {"quoteright", u'\u2019'}, {"quotedblleft", u'\u201C'}, {"quotedblright", u'\u201D'}, {"endash", u'\u2013'},
        {"emdash", u'\u2014'},  {"bullet", u'\u2022'},  {"ellipsis", u'\u2026'}, {"minus", u'\u2212'},
        {"nbspace", u'\u00A0'}, {"sfthyphen", u'\u00AD'}, {"copyright", u'\u00A9'}, {"registered", u'\u00AE'},
        {"degree", u'\u00B0'},  {"trademark", u'\u2122'}, {"Euro", u'\u20AC'},   {"section", u'\u00A7'},
        {"paragraph", u'\u00B6'}, {"dagger", u'\u2020'},
    }};
    for (const auto& [glyph, character] : kNames) {
        if (glyph == name) return std::u16string(1, character);
    }
    if (name == "fi" || name == "fl" || name == "ff") return Widen(name);
    return {};
}

AnsiCodePage& PdfCodePages::Named(const std::string& icuName) {
    std::unique_ptr<AnsiCodePage>& page = named_[icuName];
    if (!page) page = std::make_unique<AnsiCodePage>(icuName);
    return *page;
}

PdfFont::PdfFont(PdfObjects& objects, const PdfValue& dictionary, PdfFontShare& share) {
    composite_ = objects.Get(dictionary, "Subtype").IsName("Type0");
    if (const PdfValue* map = dictionary.Get("ToUnicode"); map != nullptr && map->kind == PdfValue::Kind::Reference) {
        std::shared_ptr<const PdfCMap>& parsed = share.maps[map->ReferenceNumber()];
        if (!parsed) parsed = std::make_shared<const PdfCMap>(objects.Stream(map->ReferenceNumber()));
        toUnicode_ = parsed;
    }
    ReadWidths(objects, dictionary, share.widthBudget);
    const PdfValue& encoding = objects.Get(dictionary, "Encoding");
    const PdfValue& baseName = encoding.kind == PdfValue::Kind::Dictionary ? objects.Get(encoding, "BaseEncoding") : encoding;
    const std::string_view name = baseName.kind == PdfValue::Kind::Name ? std::string_view(baseName.text) : std::string_view();
    if (name.starts_with("Identity")) {
        base_ = Base::Glyphs;
    } else if (name.find("UCS2") != std::string_view::npos || name.find("UTF16") != std::string_view::npos) {
        base_ = Base::Utf16;
    } else if (name.find("UTF8") != std::string_view::npos) {
        base_ = Base::Utf8;
    } else if (name == "StandardEncoding") {
        base_ = Base::Standard;
    } else if (name == "MacRomanEncoding") {
        base_ = Base::CodePage;
        codePage_ = "macintosh";
    } else if (!(codePage_ = CodePageOfMap(name)).empty()) {
        base_ = Base::CodePage;
    } else {
        base_ = composite_ ? Base::Glyphs : Base::Ansi;
    }

    const PdfValue& differences = objects.Get(encoding, "Differences");
    if (differences.kind != PdfValue::Kind::Array || composite_) return;
    differences_.assign(256, u'\0');
    std::int64_t code = 0;
    for (const PdfValue& item : differences.items) {
        if (const std::optional<std::int64_t> start = item.Integer()) {
            code = *start;
        } else if (item.kind == PdfValue::Kind::Name) {
            if (code >= 0 && code < 256) {
                const std::u16string text = GlyphNameText(item.text);
                if (text.size() == 1) differences_[static_cast<std::size_t>(code)] = text[0];
            }
            ++code;
        }
    }
}

void PdfFont::SetWidth(std::uint32_t first, std::uint32_t last, double width, std::size_t& budget) {
    if (budget == 0) return;
    --budget;
    widths_[first] = {last, width};
}

void PdfFont::ReadWidths(PdfObjects& objects, const PdfValue& dictionary, std::size_t& budget) {
    if (!composite_) {
        const PdfValue& widths = objects.Get(dictionary, "Widths");
        const std::int64_t first = objects.Get(dictionary, "FirstChar").Integer().value_or(0);
        if (first < 0 || first > 255) return;
        for (std::size_t i = 0; i < widths.items.size() && i < 256; ++i) {
            const PdfValue& width = objects.Resolve(widths.items[i]);
            if (width.kind != PdfValue::Kind::Number) continue;
            const auto code = static_cast<std::uint32_t>(first + static_cast<std::int64_t>(i));
            SetWidth(code, code, width.number, budget);
        }
        return;
    }
    // A CID font's W array: "c [w1 w2 ...]" or "first last w"; DW for the others.
    const PdfValue& descendants = objects.Get(dictionary, "DescendantFonts");
    if (descendants.kind != PdfValue::Kind::Array || descendants.items.empty()) return;
    const PdfValue& font = objects.Resolve(descendants.items[0]);
    defaultWidth_ = objects.Get(font, "DW").kind == PdfValue::Kind::Number ? objects.Get(font, "DW").number : 1000.0;
    const std::vector<PdfValue>& w = objects.Get(font, "W").items;
    for (std::size_t i = 0; i + 1 < w.size() && budget > 0;) {
        const std::optional<std::int64_t> first = w[i].Integer();
        if (!first || *first < 0 || *first > 0xFFFFFFFF) break;
        const auto code = static_cast<std::uint32_t>(*first);
        const PdfValue& next = objects.Resolve(w[i + 1]);
        if (next.kind == PdfValue::Kind::Array) {
            for (std::size_t k = 0; k < next.items.size() && code + k <= 0xFFFFFFFFull; ++k) {
                const auto c = static_cast<std::uint32_t>(code + k);
                SetWidth(c, c, next.items[k].number, budget);
            }
            i += 2;
        } else if (i + 2 < w.size()) {
            const std::optional<std::int64_t> last = next.Integer();
            if (last && *last >= *first && *last <= 0xFFFFFFFF) SetWidth(code, static_cast<std::uint32_t>(*last), w[i + 2].number, budget);
            i += 3;
        } else {
            break;
        }
    }
}

std::optional<double> PdfFont::Width(std::uint32_t code) const {
    auto at = widths_.upper_bound(code);
    if (at != widths_.begin() && code <= (--at)->second.first) return at->second.second / 1000;
    if (defaultWidth_) return *defaultWidth_ / 1000;
    return std::nullopt;
}

std::u16string PdfFont::DecodeWithoutMap(std::string_view bytes, PdfCodePages& codePages) const {
    switch (base_) {
        case Base::Glyphs:
            return {};
        case Base::Utf16:
        case Base::Utf8:
            return codePages.Named(base_ == Base::Utf16 ? "UTF-16BE" : "UTF-8").Decode(Bytes(bytes));
        case Base::CodePage:
            return codePages.Named(codePage_).Decode(Bytes(bytes));
        case Base::Standard:
        case Base::Ansi:
            break;
    }
    if (differences_.empty() && base_ == Base::Ansi) return codePages.Ansi().Decode(Bytes(bytes));
    // Byte by byte: a Differences entry, StandardEncoding's quotes, else the code page.
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto code = static_cast<std::uint8_t>(bytes[i]);
        if (!differences_.empty() && differences_[code] != u'\0') {
            text += differences_[code];
        } else if (base_ == Base::Standard && code == 0x27) {
            text += u'\u2019';
        } else if (base_ == Base::Standard && code == 0x60) {
            text += u'\u2018';
        } else {
            text += codePages.Ansi().Decode(Bytes(bytes.substr(i, 1)));
        }
    }
    return text;
}

std::u16string PdfFont::Decode(std::string_view bytes, PdfCodePages& codePages, double& advance) const {
    std::u16string text;
    const std::vector<std::uint8_t> all = Bytes(bytes);
    bool widthsKnown = !widths_.empty() || defaultWidth_.has_value();
    double width = 0;
    if (toUnicode_->Empty() && !widthsKnown) {
        text = DecodeWithoutMap(bytes, codePages);
    } else {
        for (std::size_t i = 0; i < all.size();) {
            const std::size_t fallback = composite_ ? 2 : 1;
            const std::size_t length = std::min(
                toUnicode_->Empty() ? fallback : toUnicode_->CodeLength(std::span(all).subspan(i), fallback), all.size() - i);
            std::uint32_t code = 0;
            for (std::size_t k = 0; k < length; ++k) code = (code << 8) | all[i + k];
            const std::optional<std::u16string> mapped = toUnicode_->Empty() ? std::nullopt : toUnicode_->Lookup(code, length);
            text += mapped ? *mapped : DecodeWithoutMap(bytes.substr(i, length), codePages);
            const std::optional<double> codeWidth = Width(code);
            widthsKnown = widthsKnown && codeWidth.has_value();
            width += codeWidth.value_or(0);
            i += length;
        }
    }
    if (widthsKnown) {
        advance = width;
    } else {
        advance = 0;
        for (const char16_t c : text) advance += c > 0x100 ? 1.0 : 0.5;
    }
    return text;
}

}  // namespace tundrel
