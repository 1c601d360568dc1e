#include "carve/mov_recognizer.h"

#include "carve/big_endian.h"
#include "carve/box_walk_recognizer.h"
#include "carve/carved_name.h"
#include "carve/signature.h"

namespace tundrel {
namespace {

class MovRecognizer final : public BoxWalkRecognizer {
    static bool IsQuickTimeBrand(const CarveBlock& block) { return BrandText(block).find("qt  ") != std::string::npos; }

    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        const std::span<const std::uint8_t> bytes = block.Block();
        // Older movies have no "ftyp": the "moov" box comes first, and its first child's size is small.
        if (HasText(bytes, 4, "moov") && HasBytes(bytes, 8, {0, 0})) return BigEndian32(ByteReader(bytes), 0);
        return FileTypeBox(block, IsQuickTimeBrand);
    }
    StartKey Key() const override { return StartKey::At(4, {'m', 'f'}); }  // "moov" or "ftyp"
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        return NumberedName("Vedio MOV ", file.firstSector, ".mov");
    }
};

}  // namespace

std::unique_ptr<Recognizer> MakeMovRecognizer() { return std::make_unique<MovRecognizer>(); }

}  // namespace tundrel
