#include "carve/zip_recognizer.h"

#include "carve/archive_name.h"
#include "carve/zip_walk_recognizer.h"

namespace tundrel {
namespace {

class ZipRecognizer final : public ZipWalkRecognizer {
    // The first local header is the first record.
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        const std::optional<std::u16string> name = FirstEntryName(block);
        if (!name || OpensOfficePackage(*name)) return std::nullopt;
        return 0;
    }
    StartKey Key() const override { return StartKey::At(0, {'P'}); }  // "PK\3\4"
    std::u16string NameOf(const WalkedFile&, CarveContext& context) override {
        return ArchiveName(FirstName(), "ZIP ", ".zip", context.counters.zip);
    }
};

}  // namespace

std::unique_ptr<Recognizer> MakeZipRecognizer() { return std::make_unique<ZipRecognizer>(); }

}  // namespace tundrel
