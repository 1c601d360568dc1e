#include "carve/three_gp_recognizer.h"

#include "carve/box_walk_recognizer.h"
#include "carve/carved_name.h"
#include "carve/signature.h"

namespace tundrel {
namespace {

class ThreeGpRecognizer final : public BoxWalkRecognizer {
    // The major brand and what follows, zero bytes included.
    static bool IsThreeGpBrand(const CarveBlock& block) {
        return TextOf(block.Block(), 8, 10).find("3gp") != std::string::npos;
    }

    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        return FileTypeBox(block, IsThreeGpBrand);
    }
    StartKey Key() const override { return StartKey::At(4, {'f'}); }  // "ftyp"
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        return NumberedName("Vedio 3GP ", file.firstSector, ".3gp");
    }
};

}  // namespace

std::unique_ptr<Recognizer> MakeThreeGpRecognizer() { return std::make_unique<ThreeGpRecognizer>(); }

}  // namespace tundrel
