#pragma once
// A font's ToUnicode map: codes of 1 to 4 bytes, split by the map's codespace ranges, to
// Unicode text, from its bfchar entries and its bfrange entries (an incremented first value, or
// an array of values).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace tundrel {

class PdfCMap {
public:
    PdfCMap() = default;
    explicit PdfCMap(std::span<const std::uint8_t> bytes);

    bool Empty() const { return singles_.empty() && ranges_.empty(); }
    // The length of the code at the start of `bytes` (not empty): the codespace range that
    // holds it decides; with no codespace ranges, `fallbackLength`.
    std::size_t CodeLength(std::span<const std::uint8_t> bytes, std::size_t fallbackLength) const;
    std::optional<std::u16string> Lookup(std::uint32_t code, std::size_t length) const;

private:
    struct Codespace {
        std::vector<std::uint8_t> low;
        std::vector<std::uint8_t> high;
    };
    struct Range {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        std::size_t length = 0;
        std::u16string first;               // incremented in its last unit along the range
        std::vector<std::u16string> each;   // or one value per code
    };

    std::vector<Codespace> codespaces_;
    std::unordered_map<std::uint64_t, std::u16string> singles_;  // by (length << 32) | code
    std::vector<Range> ranges_;                                   // by their low code
};

}  // namespace tundrel
