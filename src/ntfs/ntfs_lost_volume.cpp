#include "ntfs/ntfs_lost_volume.h"

#include <algorithm>
#include <bit>
#include <string_view>

#include "ntfs/mft_record_fixup.h"
#include "ntfs/mft_record_parse.h"
#include "ntfs/mft_record_probe.h"
#include "ntfs/ntfs_boot_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "scan/name_pool.h"
#include "scan/scan_node.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

// Records 1 to 19 hold the system files a rebuilt volume is sized from.
constexpr std::size_t kLastSystemRecord = 19;
constexpr std::uint64_t kBitsPerByte = 8;

std::u16string_view RecordName(std::span<std::uint8_t> record, NamePool& names) {
    ScanNode node;
    ParseMftRecord(record, node, names);
    return node.name != nullptr ? std::u16string_view(node.name) : std::u16string_view{};
}

bool BeginsWithFile(std::span<const std::uint8_t> record) {
    const ByteReader reader(record);
    return reader.U32(0) == 0x454C4946;  // "FILE"
}

// An NTFS boot sector for the found geometry: enough for the boot-sector test, the
// partition description and the scanner (bytes per sector, cluster size, size, MFT and mirror).
BootSectorBytes MakeNtfsBootSector(std::uint32_t clusterSectors, std::uint64_t totalSectors, std::uint64_t mftCluster,
                                   std::uint64_t mirrorCluster) {
    BootSectorBytes boot{};
    const auto put = [&boot](std::size_t at, std::uint64_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) boot[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    boot[0] = 0xEB;
    boot[1] = 0x52;
    boot[2] = 0x90;
    std::copy_n("NTFS    ", 8, boot.begin() + 3);
    put(11, 512, 2);
    boot[13] = static_cast<std::uint8_t>(clusterSectors);
    boot[21] = 0xF8;
    put(40, totalSectors, 8);
    put(48, mftCluster, 8);
    put(56, mirrorCluster, 8);
    boot[64] = 0xF6;  // records of 1,024 bytes
    boot[68] = 0x01;  // index blocks of one cluster
    boot[510] = 0x55;
    boot[511] = 0xAA;
    return boot;
}

}  // namespace

std::optional<MftPlacement> NtfsMftPlacement(SectorBytes bootSector) {
    if (!IsNtfsBootSector(bootSector, bootSector)) return std::nullopt;
    const NtfsBootRecord boot = ReadNtfsBootRecord(bootSector);
    const auto clusterSectors = NtfsClusterSectors(boot.sectorsPerCluster);
    // Past 2^40 clusters no place fits in 64 bits of sectors, let alone on a disk.
    if (!clusterSectors || (boot.mftCluster >> 40) != 0 || (boot.mirrorCluster >> 40) != 0) return std::nullopt;
    return MftPlacement{*clusterSectors, boot.mftCluster * *clusterSectors, boot.mirrorCluster * *clusterSectors,
                        boot.totalSectors};
}

bool HoldsOwnMftRecord(std::span<std::uint8_t> records) {
    if (records.size() < kMftRecordBytes || !BeginsWithFile(records)) return false;
    NamePool names;
    return RecordName(records, names) == u"$MFT";
}

std::optional<VolumeFromMft> NtfsVolumeFromMft(std::span<std::uint8_t> records) {
    if (records.size() < (kLastSystemRecord + 1) * kMftRecordBytes || !BeginsWithFile(records)) return std::nullopt;
    const ByteReader first(records);
    if (first.U16(510) != first.U16(1022)) return std::nullopt;
    const MftRecordHints mft = ProbeMftRecord(records.first(kMftRecordBytes), {true, true});
    const std::uint32_t clusterSectors = mft.sectorsPerCluster;
    if (clusterSectors == 0 || clusterSectors > 128 || !std::has_single_bit(clusterSectors)) return std::nullopt;

    std::uint64_t mirrorCluster = 0;
    std::uint64_t volumeSectors = 0;
    NamePool names;
    for (std::size_t index = 1; index <= kLastSystemRecord; ++index) {
        const auto record = records.subspan(index * kMftRecordBytes, kMftRecordBytes);
        if (!BeginsWithFile(record)) continue;
        std::array<std::uint8_t, kMftRecordBytes> copy{};
        std::copy(record.begin(), record.end(), copy.begin());
        ScanNode node;
        ParseMftRecord(copy, node, names);
        if (node.name == nullptr) continue;
        const std::u16string_view name(node.name);
        if (name == u"$MFTMirr") {
            std::copy(record.begin(), record.end(), copy.begin());
            mirrorCluster = ProbeMftRecord(copy, {false, true}).dataStartCluster;
            volumeSectors = mirrorCluster * clusterSectors * 2;
        } else if (name == u"$Bitmap") {
            if ((node.size >> 40) != 0) return std::nullopt;
            volumeSectors = node.size * kBitsPerByte * clusterSectors;
            break;
        }
    }
    if (volumeSectors == 0 || mft.dataStartCluster == 0) return std::nullopt;
    // The boot sector's count leaves out the last sector, where its backup copy stands.
    const std::uint64_t totalSectors = volumeSectors - 1;
    if (mirrorCluster == 0) mirrorCluster = volumeSectors / 2 / clusterSectors;
    return VolumeFromMft{MakeNtfsBootSector(clusterSectors, totalSectors, mft.dataStartCluster, mirrorCluster),
                         std::uint64_t{mft.dataStartCluster} * clusterSectors};
}

}  // namespace tundrel
