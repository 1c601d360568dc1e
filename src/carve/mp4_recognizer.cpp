#include "carve/mp4_recognizer.h"

#include "carve/box_walk_recognizer.h"
#include "carve/carved_name.h"

namespace tundrel {
namespace {

class Mp4Recognizer final : public BoxWalkRecognizer {
    static bool IsMp4Brand(const CarveBlock& block) {
        const std::string brands = BrandText(block);
        for (const char* brand : {"isom", "mp4", "MSNV", "M4A"}) {
            if (brands.find(brand) != std::string::npos) return true;
        }
        return false;
    }

    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override { return FileTypeBox(block, IsMp4Brand); }
    StartKey Key() const override { return StartKey::At(4, {'f'}); }  // "ftyp"
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        return NumberedName("Vedio MP4 ", file.firstSector, ".mp4");
    }
};

}  // namespace

std::unique_ptr<Recognizer> MakeMp4Recognizer() { return std::make_unique<Mp4Recognizer>(); }

}  // namespace tundrel
