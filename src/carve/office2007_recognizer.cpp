#include "carve/office2007_recognizer.h"

#include "carve/carved_name.h"
#include "carve/zip_walk_recognizer.h"

namespace tundrel {
namespace {

class Office2007Recognizer final : public ZipWalkRecognizer {
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) const override {
        const std::optional<std::u16string> name = FirstEntryName(block);
        if (!name || !OpensOfficePackage(*name)) return std::nullopt;
        return 0;
    }
    StartKey Key() const override { return StartKey::At(0, {'P'}); }  // "PK\3\4"
    void BeginFile(const CarveBlock& block) override {
        ZipWalkRecognizer::BeginFile(block);
        kind_.reset();
    }
    // The first part in a document folder tells the kind: the package's own parts
    // ("[Content_Types].xml", "_rels/", "docProps/") come first in Microsoft's order and
    // anywhere in others.
    void CentralEntry(std::string_view nameStart) override {
        if (!kind_) kind_ = Office2007KindOfPart(nameStart);
    }
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        if (kind_ == "docx") return NumberedName("DOCX ", file.firstSector, ".docx");
        if (kind_ == "pptx") return NumberedName("PPTX ", file.firstSector, ".pptx");
        return NumberedName("XLSX ", file.firstSector, ".xlsx");
    }

    std::optional<std::string_view> kind_;
};

}  // namespace

std::optional<std::string_view> Office2007KindOfPart(std::string_view nameStart) {
    if (nameStart.starts_with("word/")) return "docx";
    if (nameStart.starts_with("ppt/")) return "pptx";
    if (nameStart.starts_with("xl/")) return "xlsx";
    return std::nullopt;
}

std::unique_ptr<Recognizer> MakeOffice2007Recognizer() { return std::make_unique<Office2007Recognizer>(); }

}  // namespace tundrel
