#include "image_scan.h"

#include "disk/boot_sector.h"
#include "modes/all_scanners.h"
#include "support/text.h"

namespace tundrel::test {

ScanOfImage::ScanOfImage(const std::filesystem::path& image, const ScanSetup& setup, std::uint32_t fsType) {
    environment =
        std::make_unique<ScanEnvironment>(ScanEnvironment{settings, progress, AllScanners(), nullptr, setup.selectionPrompt});
    if (setup.chooseSettings) setup.chooseSettings(settings);
    ScanTask task;
    task.sourceName = ToUtf16(image.string());
    task.mode = setup.mode;
    task.options = setup.options;
    context = std::make_unique<ScanContext>(*environment, task);
    SectorSource& reads = setup.opener ? *(source = std::make_unique<SectorSource>(setup.opener)) : context->source;
    if (!reads.Open(task.sourceName)) return;
    SelectedVolume& volume = context->volume;
    volume.startSector = setup.volumeStart;
    volume.sectorCount = setup.volumeSectors != 0            ? setup.volumeSectors
                         : reads.totalSectors > setup.volumeStart ? static_cast<std::uint32_t>(reads.totalSectors - setup.volumeStart)
                                                                  : 0;
    volume.bootValid = setup.passBootSector && reads.ReadSectors(volume.bootSector, setup.volumeStart);
    const std::uint32_t found = setup.passBootSector ? BootSectorType(AllFileSystems(), volume.bootSector) : kFsRaw;
    volume.fsType = found != kFsRaw ? found : fsType;
    progress.taskMode = setup.mode;
    progress.stopRequested = setup.stopRequested ? 1 : 0;
    progress.taskCount = setup.taskCount;
    if (!setup.opener) {
        made_ = CreateScannerFor(*context);
        return;
    }
    // Another device than the file: the scanner is made as CreateScannerFor makes it, over that device.
    const ScannerEntry* entry = FindScanner(environment->scanners, volume.fsType);
    auto scanner = entry != nullptr ? entry->make(*context, volume.fsType) : nullptr;
    if (!scanner) return;
    made_ = scanner.get();
    context->scanners.push_back(std::move(scanner));
    made_->source = made_->readSource = source.get();
    made_->volumeStart = volume.startSector;
    made_->volumeSectors = volume.sectorCount;
    if (volume.bootValid) {
        made_->bootSector = volume.bootSector;
        made_->bootLoaded = true;
        made_->OnBootSectorLoaded();
    }
    made_->scanOptions = context->options;
    made_->Scan();
}

ScanOfImage::~ScanOfImage() = default;

std::optional<std::vector<std::uint8_t>> ReadNodeBytes(VolumeScanner& scanner, const ScanNode& node) {
    ExtentList extents;
    if (node.size > 0 && !scanner.BuildExtents(node, extents)) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(node.size));
    constexpr std::size_t kPiece = 64 * 1024;
    for (std::size_t offset = 0; offset < bytes.size(); offset += kPiece) {
        const std::size_t count = std::min(kPiece, bytes.size() - offset);
        if (!scanner.ReadNodeData(std::span(bytes).subspan(offset, count), offset, node, extents)) return std::nullopt;
    }
    return bytes;
}

}  // namespace tundrel::test
