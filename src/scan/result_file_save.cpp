// Writing a saved scan result.

#include <fstream>
#include <vector>

#include "scan/node_expansion.h"
#include "scan/result_file.h"
#include "scan/volume_scanner.h"
#include "support/archive_writer.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

// Walks below the folders no deeper than the listings of the command line do.
constexpr std::size_t kMaxFilledDepth = 512;

// Gives every directory of the tree the children it shows when opened: a lost folder whose
// entries are read on first use would otherwise be stored empty and come back empty.
void FillEveryDirectory(VolumeScanner& scanner) {
    struct Pending {
        ScanNode* node;
        std::size_t depth;
    };
    std::vector<Pending> pending;
    for (ScanNode& root : scanner.roots.roots) pending.push_back({&root, 0});
    while (!pending.empty()) {
        const Pending directory = pending.back();
        pending.pop_back();
        EnsureChildren(scanner, *directory.node);
        if (directory.depth + 1 >= kMaxFilledDepth) continue;
        for (ScanNode& child : directory.node->children) {
            if (child.IsDirectory()) pending.push_back({&child, directory.depth + 1});
        }
    }
}

// The source as the warning names it: a drive's name without its path.
std::string WarnedSourceName(const std::u16string& name) {
    const std::size_t colon = name.find(u':', 1);
    return ToUtf8(colon == std::u16string::npos ? name : name.substr(0, colon + 1));
}

void WriteParameterBlocks(ArchiveWriter& archive, const std::array<std::uint8_t, 512>& bootSector) {
    archive.Bytes(std::span(bootSector).first(62));
    archive.Bytes(std::span(bootSector).first(84));
    archive.Bytes(bootSector);
}

std::string LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ResultTimeText(local);
}

}  // namespace

ResultSaveError SaveScanResults(const std::filesystem::path& file, std::span<const std::unique_ptr<ScanContext>> contexts,
                                std::uint32_t resultMode, ResultSaveNotice* notice) {
    std::vector<ScanContext*> saved;
    for (const auto& context : contexts) {
        if (context->source.isOpen) saved.push_back(context.get());
    }
    if (saved.empty()) return ResultSaveError::NoResults;
    for (ScanContext* context : saved) {
        for (const auto& scanner : context->scanners) FillEveryDirectory(*scanner);
    }

    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return ResultSaveError::NotWritten;
    ArchiveWriter archive(out);
    const SectorSource& first = saved.front()->source;
    archive.Bytes(kResultFileMagic);
    archive.U16(kResultFileVersion);
    archive.U16(0);
    archive.U32(resultMode);
    archive.String(first.StoredName());
    archive.String(first.model);
    archive.String(first.serial);
    archive.U64(first.totalSectors);
    archive.String(ToUtf16(LocalTimeNow()));
    archive.U32(static_cast<std::uint32_t>(saved.size()));
    for (const ScanContext* context : saved) {
        context->source.Serialize(archive);
        archive.U32(context->parameters.firstWord);
        WriteParameterBlocks(archive, context->volume.bootSector);
        archive.U32(static_cast<std::uint32_t>(context->scanners.size()));
        for (const auto& scanner : context->scanners) {
            archive.U32(scanner->fsType);
            scanner->Serialize(archive);
        }
    }
    archive.Bytes(kResultFileEnd);
    out.close();
    if (!archive.Good() || !out) return ResultSaveError::NotWritten;
    if (notice != nullptr) notice->Warn(Formatted(StringId::SaveResultWarning, WarnedSourceName(first.name).c_str()));
    return ResultSaveError::None;
}

}  // namespace tundrel
