#include "modes/exfat_rebuild.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <unordered_set>

#include "disk/fs_type.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "exfat/exfat_boot_fields.h"
#include "exfat/exfat_geometry.h"
#include "exfat/exfat_scanner.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "support/byte_reader.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kBackupDistance = 12;

// The first sector of a FAT of exFAT: entry 0 holds the media descriptor F8, entry 1 all ones.
bool OpensExFatTable(SectorSource& source, std::uint64_t sector) {
    if (sector >= kSectorNumberEnd) return false;
    std::array<std::uint8_t, 512> bytes{};
    if (!source.ReadSectors(bytes, static_cast<std::uint32_t>(sector))) return false;
    const ByteReader reader(bytes);
    return reader.U32(0) == 0xFFFFFFF8u && reader.U32(4) == 0xFFFFFFFFu;
}

// Where the volume of a boot record starts: at the record, or 12 sectors before it when the
// record is the backup copy.
std::uint64_t VolumeStartOf(SectorSource& source, const SectorCopy& boot) {
    const std::uint64_t fatOffset =
        std::uint64_t{ByteReader(boot.bytes).U32(exfat_boot_field::kFatOffset)} * ExFatSectorScale(boot.bytes);
    if (OpensExFatTable(source, boot.sector + fatOffset)) return boot.sector;
    if (boot.sector >= kBackupDistance && OpensExFatTable(source, boot.sector - kBackupDistance + fatOffset)) {
        return boot.sector - kBackupDistance;
    }
    return boot.sector;
}

bool RootHoldsEntries(const VolumeScanner& scanner) {
    return !scanner.roots[RootIndex::Root].children.empty();
}

}  // namespace

std::vector<std::unique_ptr<VolumeScanner>> RebuildExFatVolumes(const SubScannerSetting& setting,
                                                                std::span<const SectorCopy> boots) {
    std::vector<std::unique_ptr<VolumeScanner>> rebuilt;
    std::unordered_set<std::string> keys;
    const std::uint64_t sourceSectors = std::min(setting.source.totalSectors, kSectorNumberEnd);
    const ScanProgress& progress = setting.context.environment.progress;
    for (const SectorCopy& boot : boots) {
        if (progress.StopRequested()) break;
        const std::uint64_t start = VolumeStartOf(setting.source, boot);
        if (start >= sourceSectors) continue;
        const ByteReader reader(boot.bytes);
        const std::uint32_t scale = ExFatSectorScale(boot.bytes);
        const std::uint64_t length = std::uint64_t{reader.U32(exfat_boot_field::kVolumeLength)} * scale;
        const std::uint64_t sectors = std::min(length, sourceSectors - start);
        if (sectors == 0) continue;

        auto scanner = std::make_unique<ExFatScanner>(setting.context, kFsExFat);
        scanner->source = scanner->readSource = &setting.source;
        scanner->volumeStart = static_cast<std::uint32_t>(start);
        scanner->volumeSectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, UINT32_MAX));
        scanner->scanOptions = setting.options;
        scanner->bootSector = boot.bytes;
        scanner->bootLoaded = true;
        scanner->OnBootSectorLoaded();
        // The volume's first data sector and cluster size in 512-byte sectors name it.
        const std::int32_t dataStart = scanner->DataAreaStart();
        const unsigned shift = reader.U8(exfat_boot_field::kSectorShift) + reader.U8(exfat_boot_field::kClusterShift);
        const std::uint64_t clusterSectors = shift >= 9 && shift < 64 ? std::uint64_t{1} << (shift - 9) : 0;
        const std::string key = FormatText("%llu-%llu", static_cast<unsigned long long>(start + std::max(dataStart, 0)),
                                           static_cast<unsigned long long>(clusterSectors));
        if (keys.contains(key)) continue;
        scanner->Scan();
        if (!RootHoldsEntries(*scanner)) continue;
        keys.insert(key);
        rebuilt.push_back(std::move(scanner));
    }
    return rebuilt;
}

}  // namespace tundrel
