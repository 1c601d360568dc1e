#include "modes/free_areas.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string_view>

#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "exfat/exfat_boot_fields.h"
#include "exfat/exfat_entry_set.h"
#include "exfat/exfat_geometry.h"
#include "fat/fat_boot_parameters.h"
#include "fat/fat_entry_value.h"
#include "fat/fat_regions.h"
#include "ntfs/data_attribute.h"
#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_fixup.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/mft_record_parse.h"
#include "ntfs/ntfs_boot_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

// Allocation data is read in pieces of 48 KiB: a whole number of FAT12 entry pairs (3 bytes),
// so that no entry straddles two pieces.
constexpr std::size_t kAllocationPieceSectors = 96;
constexpr std::size_t kAllocationPieceBytes = kAllocationPieceSectors * kSectorBytes;
// The records of the MFT's start that are searched for "$Bitmap".
constexpr std::size_t kMftHeadBytes = 64 * 1024;
// The allocation bitmap's directory entry, among the first entries of the exFAT root folder.
constexpr std::uint8_t kExFatBitmapEntry = 0x81;
constexpr std::size_t kExFatRootEntriesSearched = 16;
constexpr std::uint64_t kFreeAreaSectorEnd = std::uint64_t{std::numeric_limits<std::uint32_t>::max()} + 1;

// Reads whole sectors at an absolute sector; false when they lie beyond 32-bit sector numbers
// or the read fails.
bool ReadAllocationSectors(SectorSource& source, std::span<std::uint8_t> buffer, std::uint64_t sector) {
    if (sector >= kFreeAreaSectorEnd || buffer.size() / kSectorBytes > kFreeAreaSectorEnd - sector) return false;
    return source.ReadSectors(buffer, static_cast<std::uint32_t>(sector));
}

// Turns the states of clusters, met in ascending order, into areas of sectors.
class FreeSectorRunBuilder {
public:
    // Cluster index 0 begins at `firstSector`.
    FreeSectorRunBuilder(std::uint64_t firstSector, std::uint64_t clusterSectors, std::vector<SectorArea>& areas)
        : firstSector_(firstSector), clusterSectors_(clusterSectors), areas_(areas) {}

    std::uint64_t Next() const { return next_; }

    void Add(bool free) {
        if (free && !open_) {
            open_ = true;
            runStart_ = next_;
        } else if (!free) {
            Close();
        }
        ++next_;
    }

    // Each bit of `bytes`, low bit first, is a cluster: clear when free. Clusters from `limit`
    // on are left out.
    void AddBitmap(std::span<const std::uint8_t> bytes, std::uint64_t limit) {
        for (const std::uint8_t byte : bytes) {
            for (unsigned bit = 0; bit < 8 && next_ < limit; ++bit) Add(((byte >> bit) & 1) == 0);
        }
    }

    void Close() {
        if (!open_) return;
        open_ = false;
        const SectorArea area{firstSector_ + runStart_ * clusterSectors_, (next_ - runStart_) * clusterSectors_};
        if (areas_.size() >= kMaxFreeAreas) {
            areas_.back().sectors = area.End() - areas_.back().start;
        } else {
            areas_.push_back(area);
        }
    }

private:
    std::uint64_t firstSector_;
    std::uint64_t clusterSectors_;
    std::vector<SectorArea>& areas_;
    std::uint64_t next_ = 0;
    std::uint64_t runStart_ = 0;
    bool open_ = false;
};

struct VolumePlace {
    SectorSource& source;
    std::uint64_t start;
    std::uint64_t sectors;
};

// A piece buffer for the allocation data; empty when the memory cannot be had.
std::vector<std::uint8_t> AllocationPieceBuffer() {
    try {
        return std::vector<std::uint8_t>(kAllocationPieceBytes);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// Feeds `bitmapSectors` contiguous sectors of a bitmap, from volume sector `bitmapStart`, to
// `runs`; bits from `clusterLimit` on are left out.
bool ReadContiguousBitmap(const VolumePlace& volume, std::uint64_t bitmapStart, std::uint64_t bitmapSectors,
                          std::uint64_t clusterLimit, FreeSectorRunBuilder& runs) {
    if (bitmapStart > volume.sectors || bitmapSectors > volume.sectors - bitmapStart) return false;
    std::vector<std::uint8_t> piece = AllocationPieceBuffer();
    if (piece.empty()) return false;
    for (std::uint64_t done = 0; done < bitmapSectors;) {
        const std::uint64_t sectors = std::min<std::uint64_t>(kAllocationPieceSectors, bitmapSectors - done);
        const auto bytes = std::span(piece).first(static_cast<std::size_t>(sectors * kSectorBytes));
        if (!ReadAllocationSectors(volume.source, bytes, volume.start + bitmapStart + done)) return false;
        runs.AddBitmap(bytes, clusterLimit);
        done += sectors;
    }
    return true;
}

// Sectors that hold `bits` bits.
std::uint64_t BitmapSectorsFor(std::uint64_t bits) {
    return (bits + 8 * kSectorBytes - 1) / (8 * kSectorBytes);
}

bool ReadFatFreeAreas(const VolumePlace& volume, std::span<const std::uint8_t> boot, std::uint32_t fsType,
                      FreeAreas& result) {
    const FatBootParameters parameters = FatBootParameters::Parse(boot);
    result.bootTotalSectors = parameters.TotalSectorBound();
    const auto regions = ComputeFatRegions(parameters, fsType, false, volume.sectors);
    if (!regions) return false;
    // Clusters the data area holds, by the volume and by the boot record, that the table has entries for.
    std::uint64_t limit = std::min(regions->ClusterLimit(), regions->EntryCount());
    if (regions->totalSectorBound > regions->dataStart) {
        limit = std::min(limit, 2 + (regions->totalSectorBound - regions->dataStart) / regions->sectorsPerCluster);
    }
    const unsigned bits = EntryBits(regions->width);
    const std::uint64_t tableSectors =
        std::min(regions->tableSectors, ((limit * bits + 7) / 8 + kSectorBytes - 1) / kSectorBytes);
    std::vector<std::uint8_t> piece = AllocationPieceBuffer();
    if (piece.empty()) return false;
    FreeSectorRunBuilder runs(volume.start + regions->dataStart, regions->sectorsPerCluster, result.areas);
    std::uint64_t cluster = 2;
    for (std::uint64_t done = 0; done < tableSectors && cluster < limit;) {
        const std::uint64_t sectors = std::min<std::uint64_t>(kAllocationPieceSectors, tableSectors - done);
        const auto bytes = std::span(piece).first(static_cast<std::size_t>(sectors * kSectorBytes));
        if (!ReadAllocationSectors(volume.source, bytes, volume.start + regions->tableStart + done)) return false;
        const std::uint64_t pieceStart = done * kSectorBytes;
        const std::uint64_t pieceEnd = std::min(limit, (pieceStart + bytes.size()) * 8 / bits);
        for (; cluster < pieceEnd; ++cluster) {
            std::uint32_t value = ReadFatEntry(bytes, cluster, regions->width, pieceStart);
            if (regions->width == FatWidth::Fat32) value &= 0x0FFFFFFFu;  // the top four bits are reserved
            runs.Add(value == 0);
        }
        done += sectors;
    }
    runs.Close();
    return true;
}

bool ReadExFatFreeAreas(const VolumePlace& volume, std::span<const std::uint8_t> boot, FreeAreas& result) {
    const ByteReader bootFields(boot);
    const auto geometry = ComputeExFatGeometry(boot, volume.sectors);
    if (!geometry) return false;
    result.bootTotalSectors = bootFields.U64(exfat_boot_field::kVolumeLength) * geometry->scale;
    if (!geometry->HoldsCluster(geometry->rootCluster)) return false;
    std::array<std::uint8_t, kExFatRootEntriesSearched * kExFatEntryBytes> root{};
    if (!ReadAllocationSectors(volume.source, root, volume.start + geometry->ClusterSector(geometry->rootCluster))) {
        return false;
    }
    const ByteReader entries(root);
    for (std::size_t at = 0; at < root.size(); at += kExFatEntryBytes) {
        if (entries.U8(at) != kExFatBitmapEntry) continue;
        const std::uint32_t firstCluster = entries.U32(at + 20);
        const std::uint64_t length = entries.U64(at + 24);
        const std::uint64_t clusters = geometry->clusterCount;
        if (!geometry->HoldsCluster(firstCluster) || length < (clusters + 7) / 8) return false;
        FreeSectorRunBuilder runs(volume.start + geometry->dataStart, geometry->clusterSectors, result.areas);
        if (!ReadContiguousBitmap(volume, geometry->ClusterSector(firstCluster), BitmapSectorsFor(clusters), clusters, runs)) {
            return false;
        }
        runs.Close();
        return true;
    }
    return false;
}

// The unnamed $DATA of the record named "$Bitmap" among the first records of the MFT, copied
// out with its record; nothing when none is found.
struct NtfsBitmapRecord {
    std::array<std::uint8_t, kMftRecordBytes> record{};
    std::size_t dataOffset = 0;
    std::size_t dataLength = 0;

    MftAttribute Data() const {
        return MftAttribute{dataOffset, kAttrData, std::span(record).subspan(dataOffset, dataLength)};
    }
};

std::optional<NtfsBitmapRecord> FindNtfsBitmapRecord(std::span<const std::uint8_t> mftHead) {
    for (std::size_t at = 0; at + kMftRecordBytes <= mftHead.size(); at += kMftRecordBytes) {
        NtfsBitmapRecord found;
        std::copy_n(mftHead.begin() + static_cast<std::ptrdiff_t>(at), kMftRecordBytes, found.record.begin());
        if (!HasFileSignature(found.record)) continue;
        ScanNode node;
        NamePool names;
        ParseMftRecord(found.record, node, names);
        if (node.name == nullptr || std::u16string_view(node.name) != u"$Bitmap") continue;
        AttributeWalk walk(found.record, FirstAttributeOffset(found.record));
        while (const auto attribute = walk.Next()) {
            if (attribute->type != kAttrData || !IsUnnamedData(*attribute)) continue;
            found.dataOffset = attribute->offset;
            found.dataLength = attribute->Length();
            return found;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool ReadNtfsFreeAreas(const VolumePlace& volume, std::span<const std::uint8_t> boot, FreeAreas& result) {
    const NtfsBootRecord record = ReadNtfsBootRecord(boot);
    result.bootTotalSectors = record.totalSectors;
    const auto clusterSectors = NtfsClusterSectors(record.sectorsPerCluster);
    if (!IsUsable(record) || !clusterSectors || record.mftCluster == 0) return false;
    const std::uint64_t clusters = std::min(record.totalSectors, volume.sectors) / *clusterSectors;
    if (record.mftCluster >= clusters) return false;
    const std::uint64_t mftSector = record.mftCluster * *clusterSectors;
    const std::uint64_t headSectors = std::min<std::uint64_t>(kMftHeadBytes / kSectorBytes, volume.sectors - mftSector);
    std::vector<std::uint8_t> head(static_cast<std::size_t>(headSectors * kSectorBytes));
    if (!ReadAllocationSectors(volume.source, head, volume.start + mftSector)) return false;
    const auto bitmap = FindNtfsBitmapRecord(head);
    if (!bitmap) return false;
    const MftAttribute data = bitmap->Data();

    FreeSectorRunBuilder runs(volume.start, *clusterSectors, result.areas);
    if (data.IsResident()) {
        const auto value = data.ResidentValue();
        if (value.empty()) return false;
        runs.AddBitmap(value, clusters);
    } else {
        MftRunList list;
        if (!DecodeRunList(data.RunListBytes(), list) || list.empty()) return false;
        for (const MftRun& run : list) {
            if (runs.Next() >= clusters) break;
            // Only the sectors that hold bits of the volume's clusters are read.
            const std::uint64_t sectors =
                std::min(std::uint64_t{run.clusterCount} * *clusterSectors, BitmapSectorsFor(clusters - runs.Next()));
            if (run.sparse) {
                for (std::uint64_t bit = 0; bit < sectors * kSectorBytes * 8 && runs.Next() < clusters; ++bit) runs.Add(true);
                continue;
            }
            const std::uint64_t first = std::uint64_t{run.startCluster} * *clusterSectors;
            if (!ReadContiguousBitmap(volume, first, sectors, clusters, runs)) return false;
        }
    }
    // Clusters beyond what the bitmap holds are swept.
    while (runs.Next() < clusters) runs.Add(true);
    runs.Close();
    return true;
}

// Sorts the areas, cuts them to [first, end) and merges those that touch or overlap.
void CutAndMerge(std::vector<SectorArea>& areas, std::uint64_t first, std::uint64_t end) {
    std::sort(areas.begin(), areas.end(), [](const SectorArea& a, const SectorArea& b) { return a.start < b.start; });
    std::vector<SectorArea> kept;
    for (SectorArea area : areas) {
        const std::uint64_t from = std::max(area.start, first);
        const std::uint64_t to = std::min(area.End(), end);
        if (from >= to) continue;
        area = {from, to - from};
        if (!kept.empty() && kept.back().End() >= area.start) {
            kept.back().sectors = std::max(kept.back().End(), area.End()) - kept.back().start;
        } else {
            kept.push_back(area);
        }
    }
    areas = std::move(kept);
}

}  // namespace

std::uint64_t FreeAreas::TotalSectors() const {
    std::uint64_t total = 0;
    for (const SectorArea& area : areas) total += area.sectors;
    return total;
}

FreeAreas FindFreeAreas(SectorSource& source, std::uint64_t volumeStart, std::uint64_t volumeSectors,
                        FileSystemTable fileSystems) {
    FreeAreas result;
    const std::uint64_t sourceEnd = std::min(source.totalSectors, kFreeAreaSectorEnd);
    const std::uint64_t volumeEnd = std::min(sourceEnd, volumeStart + std::min(volumeSectors, kFreeAreaSectorEnd));
    const VolumePlace volume{source, volumeStart, volumeEnd > volumeStart ? volumeEnd - volumeStart : 0};

    BootSectorBytes boot{};
    bool read = volume.sectors > 0 && ReadAllocationSectors(source, boot, volumeStart);
    if (read) {
        result.fsType = BootSectorType(fileSystems, boot);
        switch (result.fsType) {
            case kFsFat16:
            case kFsFat32: read = ReadFatFreeAreas(volume, boot, result.fsType, result); break;
            case kFsExFat: read = ReadExFatFreeAreas(volume, boot, result); break;
            case kFsNtfs: read = ReadNtfsFreeAreas(volume, boot, result); break;
            default: read = false; break;
        }
    }
    if (!read) {
        result.wholeVolume = true;
        result.areas.assign(1, SectorArea{volumeStart, volume.sectors});
    }
    CutAndMerge(result.areas, volumeStart, volumeEnd);
    return result;
}

}  // namespace tundrel
