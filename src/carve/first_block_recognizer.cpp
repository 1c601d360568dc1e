#include "carve/first_block_recognizer.h"

#include <algorithm>
#include <string>

#include "support/byte_reader.h"
#include "support/text.h"

namespace tundrel {
namespace {

class FirstBlockRecognizer final : public Recognizer {
public:
    FirstBlockRecognizer(FirstBlockMeasure measure, StartKey key, std::u16string_view prefix, std::u16string_view suffix)
        : measure_(measure), key_(key), prefix_(prefix), suffix_(suffix) {}

    bool Starts(const CarveBlock& block, CarveContext&) const override { return Length(block).has_value(); }

    void Offer(const CarveBlock& block, CarveContext&, std::vector<CarvedFile>& found) override {
        const std::optional<std::uint64_t> size = Length(block);
        if (!size) return;
        found.push_back({block.sector, *size, prefix_ + ToUtf16(std::to_string(block.sector)) + suffix_, 0, 0});
    }
    StartKey Key() const override { return key_; }
    // A find is complete in its first block: nothing is followed.
    bool Pending() const override { return false; }

private:
    // A length of 0 names no file.
    std::optional<std::uint64_t> Length(const CarveBlock& block) const {
        const std::optional<std::uint64_t> size = measure_(block.Block());
        if (!size || *size == 0) return std::nullopt;
        return size;
    }

    FirstBlockMeasure measure_;
    StartKey key_;
    std::u16string prefix_;
    std::u16string suffix_;
};

}  // namespace

std::unique_ptr<Recognizer> MakeFirstBlockRecognizer(FirstBlockMeasure measure, StartKey key, std::u16string_view prefix,
                                                     std::u16string_view suffix) {
    return std::make_unique<FirstBlockRecognizer>(measure, key, prefix, suffix);
}

bool HasTextAt(std::span<const std::uint8_t> block, std::size_t offset, std::string_view text) {
    const auto bytes = ByteReader(block).Bytes(offset, text.size());
    return !bytes.empty() && std::equal(text.begin(), text.end(), bytes.begin(),
                                        [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

std::optional<std::uint64_t> RiffFormLength(std::span<const std::uint8_t> block, std::string_view form) {
    if (!HasTextAt(block, 0, "RIFF") || !HasTextAt(block, 8, form)) return std::nullopt;
    return std::uint64_t{ByteReader(block).U32(4)} + 8;
}

}  // namespace tundrel
