#include "carve/box_walk_recognizer.h"

#include <algorithm>
#include <array>

#include "carve/big_endian.h"
#include "carve/signature.h"

namespace tundrel {
namespace {

constexpr std::array<std::string_view, 9> kTopLevelBoxes = {"moov", "mdat", "free", "junk", "pnot",
                                                            "skip", "wide", "pict", "uuid"};
constexpr std::uint32_t kBoxHeaderBytes = 8;

}  // namespace

RecordStep BoxWalkRecognizer::ReadHeader(std::span<const std::uint8_t> header) {
    const std::uint32_t size = BigEndian32(ByteReader(header), 0);
    const std::string type = TextOf(header, 4, 4);
    if (size < kBoxHeaderBytes || std::find(kTopLevelBoxes.begin(), kTopLevelBoxes.end(), type) == kTopLevelBoxes.end()) {
        return RecordStep::End();
    }
    return RecordStep::Next(size);
}

std::string BoxWalkRecognizer::BrandText(const CarveBlock& block) {
    const std::string text = TextOf(block.Block(), 8, 30);
    return text.substr(0, text.find('\0'));
}

std::optional<std::uint64_t> BoxWalkRecognizer::FileTypeBox(const CarveBlock& block,
                                                            bool (*brandMatches)(const CarveBlock&)) {
    if (!HasText(block.Block(), 4, "ftyp") || !brandMatches(block)) return std::nullopt;
    return BigEndian32(ByteReader(block.Block()), 0);
}

}  // namespace tundrel
