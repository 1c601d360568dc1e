#include "carve/office2007_recognizer.h"

#include "carve/carved_name.h"
#include "carve/zip_walk_recognizer.h"

namespace tundrel {
namespace {

enum class OfficeKind { kUnknown, kWord, kPowerPoint, kExcel };

class Office2007Recognizer final : public ZipWalkRecognizer {
    std::optional<std::uint64_t> StartLength(const CarveBlock& block) override {
        const std::optional<std::u16string> name = FirstEntryName(block);
        if (!name || !OpensOfficePackage(*name)) return std::nullopt;
        return 0;
    }
    void BeginFile(const CarveBlock& block) override {
        ZipWalkRecognizer::BeginFile(block);
        kind_ = OfficeKind::kUnknown;
    }
    // The first part in a document folder tells the kind: the package's own parts
    // ("[Content_Types].xml", "_rels/", "docProps/") come first in Microsoft's order and
    // anywhere in others.
    void CentralEntry(std::string_view nameStart) override {
        if (kind_ != OfficeKind::kUnknown) return;
        if (nameStart.starts_with("word/")) kind_ = OfficeKind::kWord;
        if (nameStart.starts_with("ppt/")) kind_ = OfficeKind::kPowerPoint;
        if (nameStart.starts_with("xl/")) kind_ = OfficeKind::kExcel;
    }
    std::u16string NameOf(const WalkedFile& file, CarveContext&) override {
        switch (kind_) {
            case OfficeKind::kWord: return NumberedName("DOCX ", file.firstSector, ".docx");
            case OfficeKind::kPowerPoint: return NumberedName("PPTX ", file.firstSector, ".pptx");
            default: return NumberedName("XLSX ", file.firstSector, ".xlsx");
        }
    }

    OfficeKind kind_ = OfficeKind::kUnknown;
};

}  // namespace

std::unique_ptr<Recognizer> MakeOffice2007Recognizer() { return std::make_unique<Office2007Recognizer>(); }

}  // namespace tundrel
