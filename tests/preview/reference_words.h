#pragma once
// The committed test documents, and how much of a document's reference text an extracted text
// holds, for the tests of the preview's document readers.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "support/text.h"
#include "test_support.h"

namespace tundrel::test {

// tests/images/documents/<name>, and the reference text LibreOffice or pdftotext gave for it;
// a workbook's reference is CSV, whose commas are taken as spaces.
inline std::vector<std::uint8_t> DocumentBytes(const std::string& name) {
    return FileBytes(std::string(TUNDREL_TEST_DATA_DIR "/images/documents/") + name);
}
inline std::u16string ReferenceText(const std::string& name) {
    const std::vector<std::uint8_t> bytes = DocumentBytes(name + ".ref.txt");
    std::string text(bytes.begin(), bytes.end());
    if (name.ends_with(".xls") || name.ends_with(".xlsx")) std::replace(text.begin(), text.end(), ',', ' ');
    return ToUtf16(text);
}

// The share (0 to 1) of the words of `reference` that `text` holds in the same order. White
// space and control characters are dropped from `text` before the search, so the line breaks
// wrapping puts inside a word (a CJK sentence is one word), and paragraph marks, do not count;
// text that is not in the reference (field codes, master slides) is passed over. Letters are
// compared without regard to ASCII case.
inline double ReferenceWordsInOrder(std::u16string_view text, std::u16string_view reference) {
    auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
    auto separates = [](char16_t c) { return c <= u' ' || c == u'\u3000' || c == u'\u00A0' || c == u'\uFEFF'; };
    std::u16string joined;
    for (const char16_t c : text) {
        if (!separates(c)) joined.push_back(fold(c));
    }
    std::vector<std::u16string> words(1);
    for (const char16_t c : reference) {
        if (!separates(c)) {
            words.back().push_back(fold(c));
        } else if (!words.back().empty()) {
            words.emplace_back();
        }
    }
    if (words.back().empty()) words.pop_back();
    if (words.empty()) return 1;
    std::size_t found = 0;
    std::size_t at = 0;
    for (const std::u16string& word : words) {
        const std::size_t hit = joined.find(word, at);
        if (hit == std::u16string::npos) continue;
        ++found;
        at = hit + word.size();
    }
    return static_cast<double>(found) / static_cast<double>(words.size());
}

}  // namespace tundrel::test
