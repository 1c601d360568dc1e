#include "exfat/exfat_file_system.h"

#include "exfat/exfat_boot_fields.h"
#include "exfat/exfat_boot_sector.h"
#include "exfat/exfat_directory_block.h"
#include "exfat/exfat_geometry.h"
#include "exfat/exfat_scanner.h"
#include "exfat/exfat_volume_facts.h"
#include "scan/volume_scanner.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

void ReadFacts(SectorSource& source, VolumeInfo& record, std::string_view) { ReadExFatVolumeFacts(source, record); }

// Volume length, FAT place and size, cluster count and root cluster.
bool SameExFatLayout(SectorBytes a, SectorBytes b) {
    using namespace exfat_boot_field;
    const ByteReader first(a);
    const ByteReader second(b);
    if (first.U64(kVolumeLength) != second.U64(kVolumeLength)) return false;
    for (std::size_t field : {kFatOffset, kFatLength, kClusterCount, kRootCluster}) {
        if (first.U32(field) != second.U32(field)) return false;
    }
    return true;
}

// The root directory's first cluster.
void AddExFatSampleRegions(SectorBytes bootSector, std::uint64_t volumeSectors, std::vector<SampleRegion>& regions) {
    // A length that does not fit in 32 bits bounds nothing here: the geometry is taken as it says.
    const std::uint64_t bound = (volumeSectors >> 32) == 0 && volumeSectors != 0 ? volumeSectors : UINT64_MAX;
    const auto geometry = ComputeExFatGeometry(bootSector, bound);
    if (!geometry || !geometry->HoldsCluster(geometry->rootCluster)) return;
    const std::uint64_t sector = geometry->ClusterSector(geometry->rootCluster);
    if (sector != 0 && sector < bound) regions.push_back({sector, kSampleSectors});
}

// A root directory's first sector holds the allocation bitmap and up-case table entries even
// when the volume holds no file; any other directory block passes the entry-set test.
bool HoldsExFatDirectoryBlock(std::span<const std::uint8_t> block) {
    const ByteReader reader(block);
    bool bitmap = false;
    bool upCase = false;
    for (std::size_t at = 0; at + 32 <= block.size(); at += 32) {
        bitmap = bitmap || reader.U8(at) == 0x81;
        upCase = upCase || reader.U8(at) == 0x82;
    }
    return (bitmap && upCase) || IsExFatDirectoryBlock(block, block.size() / 32);
}

}  // namespace

const FileSystemEntry kExFatFileSystem{
    .fsTypes = {kFsExFat, kFsRaw},
    .recognize = &ExFatBootSectorType,
    .repairBootSector = nullptr,
    .readVolumeFacts = &ReadFacts,
    .sameLayout = &SameExFatLayout,
    .addSampleRegions = &AddExFatSampleRegions,
    .makeScanner = &MakeExFatScanner,
    .holdsDirectoryBlock = &HoldsExFatDirectoryBlock,
};

}  // namespace tundrel
