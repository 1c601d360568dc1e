#include <algorithm>

#include "disk/boot_sector.h"
#include "disk/bounded_read.h"
#include "disk/volume_facts.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kEntryBytes = 32;
constexpr std::uint8_t kEndOfDirectory = 0x00;
constexpr std::uint8_t kLabelEntry = 0x83;
constexpr std::size_t kMaxLabelUnits = 11;
constexpr std::uint64_t kMinClusterBytes = 512;
constexpr std::uint64_t kMaxClusterBytes = 524288;

std::u16string LabelOf(const ByteReader& entry) {
    std::u16string label;
    const std::size_t units = std::min<std::size_t>(entry.U8(1), kMaxLabelUnits);
    for (std::size_t i = 0; i < units; ++i) label.push_back(static_cast<char16_t>(entry.U16(2 + i * 2)));
    while (!label.empty() && (label.back() == u' ' || label.back() == u'\0')) label.pop_back();
    return label;
}

}  // namespace

void ReadExFatVolumeFacts(SectorSource& source, VolumeInfo& record) {
    if (!IsExFatBootSector(record.bootSector)) return;
    const ByteReader boot(record.bootSector);
    // Sector counts of the volume are in its own sector size; reads count 512-byte sectors.
    const std::uint64_t ratio = (std::uint64_t{1} << boot.U8(108)) / kSectorBytes;
    const std::uint64_t sectorsPerCluster = (std::uint64_t{1} << boot.U8(109)) * ratio;
    const std::uint64_t clusterBytes = sectorsPerCluster * kSectorBytes;
    if (clusterBytes < kMinClusterBytes || clusterBytes > kMaxClusterBytes) return;
    const std::uint32_t rootCluster = boot.U32(96);
    if (rootCluster < 2) return;
    const std::uint64_t rootSector =
        record.startSector + boot.U32(88) * ratio + (std::uint64_t{rootCluster} - 2) * sectorsPerCluster;

    const std::vector<std::uint8_t> cluster =
        ReadWithin(source, rootSector, static_cast<std::uint32_t>(sectorsPerCluster));
    for (std::size_t at = 0; at + kEntryBytes <= cluster.size(); at += kEntryBytes) {
        const ByteReader entry(std::span<const std::uint8_t>(cluster).subspan(at, kEntryBytes));
        if (entry.U8(0) == kEndOfDirectory) break;
        if (entry.U8(0) == kLabelEntry) record.label = LabelOf(entry);
    }
}

}  // namespace tundrel
