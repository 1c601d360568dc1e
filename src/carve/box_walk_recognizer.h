#pragma once
// The QuickTime family (MP4, MOV, 3GP): a file is a row of boxes, each opening with its BE u32
// size and a four-character type; the types differ only in how the first box is told apart.

#include <string>

#include "carve/walking_recognizer.h"

namespace tundrel {

class BoxWalkRecognizer : public WalkingRecognizer {
protected:
    BoxWalkRecognizer() : WalkingRecognizer({.headerBytes = 8, .minimum = 1024}) {}

    RecordStep ReadHeader(std::span<const std::uint8_t> header) override;
    // The size of the block's first box when it is an "ftyp" box whose brands `brandMatches`.
    static std::optional<std::uint64_t> FileTypeBox(const CarveBlock& block, bool (*brandMatches)(const CarveBlock&));
    // The brand text: from byte 8, at most 30 bytes, up to the first zero byte.
    static std::string BrandText(const CarveBlock& block);
};

}  // namespace tundrel
