#include "exfat/exfat_volume_facts.h"

#include <algorithm>

#include "disk/bounded_read.h"
#include "exfat/exfat_geometry.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kDirectoryEntryBytes = 32;
constexpr std::uint8_t kEndOfDirectory = 0x00;
constexpr std::uint8_t kLabelEntry = 0x83;
constexpr std::size_t kMaxLabelUnits = 11;
// The label entry comes first in practice; a cluster of up to 32 MiB is not read whole for it.
constexpr std::uint32_t kMaxRootSectorsRead = 1024;

std::u16string LabelOf(const ByteReader& entry) {
    std::u16string label;
    const std::size_t units = std::min<std::size_t>(entry.U8(1), kMaxLabelUnits);
    for (std::size_t i = 0; i < units; ++i) label.push_back(static_cast<char16_t>(entry.U16(2 + i * 2)));
    while (!label.empty() && (label.back() == u' ' || label.back() == u'\0')) label.pop_back();
    return label;
}

}  // namespace

void ReadExFatVolumeFacts(SectorSource& source, VolumeInfo& record) {
    const auto geometry = ComputeExFatGeometry(record.bootSector, std::max<std::uint64_t>(record.sectorCount, 1));
    if (!geometry || !geometry->HoldsCluster(geometry->rootCluster)) return;
    const std::uint32_t sectors = std::min(geometry->clusterSectors, kMaxRootSectorsRead);
    const std::vector<std::uint8_t> cluster =
        ReadWithin(source, record.startSector + geometry->ClusterSector(geometry->rootCluster), sectors);
    for (std::size_t at = 0; at + kDirectoryEntryBytes <= cluster.size(); at += kDirectoryEntryBytes) {
        const ByteReader entry(std::span<const std::uint8_t>(cluster).subspan(at, kDirectoryEntryBytes));
        if (entry.U8(0) == kEndOfDirectory) break;
        if (entry.U8(0) == kLabelEntry) record.label = LabelOf(entry);
    }
}

}  // namespace tundrel
