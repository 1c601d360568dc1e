#include "ntfs/ntfs_extents.h"

#include <array>

#include "ntfs/attribute_list.h"
#include "ntfs/compression_units.h"
#include "ntfs/data_attribute.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/named_stream.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kLongestDataInRecord = 1024;

// The runs of a $DATA stream (empty: the unnamed one) of the record at `recordSector`:
// through its attribute list when it has one, else from its own $DATA.
MftRunList RunsOfRecord(const NtfsVolume& volume, std::uint32_t recordSector, std::u16string_view stream) {
    MftRunList runs;
    std::array<std::uint8_t, kMftRecordBytes> record{};
    if (!volume.Read(record, recordSector)) return runs;
    FixupFirstSector(record);
    if (!HasFileSignature(record)) return runs;
    const std::uint16_t firstAttribute = FirstAttributeOffset(record);
    if (!IsFirstAttributeInRange(firstAttribute)) return runs;
    AttributeWalk walk(record, firstAttribute);
    while (const auto attribute = walk.Next()) {
        if (attribute->type == kAttrAttributeList) {
            runs = ResolveAttributeList(volume, *attribute, AttributeListMode::Runs, nullptr, stream).runs;
            if (!runs.empty()) return runs;
        } else if (IsDataStream(*attribute, stream) && !attribute->IsResident()) {
            const auto bytes = attribute->RunListBytes();
            DecodeRunList(bytes, runs, bytes.size());
            return runs;
        }
    }
    return runs;
}

bool AppendRunExtents(const NtfsVolume& volume, const MftRunList& runs, ExtentList& extents) {
    for (const MftRun& run : runs) {
        FileExtent extent;
        extent.sectorCount = std::uint64_t{run.clusterCount} * volume.SectorsPerCluster();
        if (!run.sparse) {
            const auto sector = volume.ClusterSector(run.startCluster);
            if (!sector) return false;
            extent.startSector = *sector;
        }
        extents.push_back(std::move(extent));
    }
    return true;
}

}  // namespace

ExtentSource BuildNtfsExtents(const NtfsVolume& volume, const ScanNode& node, ExtentList& extents) {
    extents.clear();
    if (node.size == 0 || node.IsDirectory() || volume.SectorsPerCluster() == 0) return ExtentSource::None;
    if (node.Has(kFlagInRecord)) {
        if (node.size >= kLongestDataInRecord) return ExtentSource::None;
        // Data found through an attribute list lives in the extension record noted in `extra`.
        const bool inExtension = node.Has(kFlagAttributeList) && node.extra != 0;
        FileExtent extent;
        extent.startSector = inExtension ? node.extra : node.location;
        extent.sectorCount = kSectorsPerRecord;
        extents.push_back(std::move(extent));
        return ExtentSource::Record;
    }

    const MftRunList runs = RunsOfRecord(volume, node.location, StreamNameOf(node));
    if (node.Has(kFlagCompressed)) {
        extents = GroupCompressionUnits(volume, runs, node.size);
        return extents.empty() ? ExtentSource::None : ExtentSource::Runs;
    }
    if (!runs.empty() && TotalClusters(runs) * volume.ClusterBytes() >= node.size) {
        if (AppendRunExtents(volume, runs, extents)) return ExtentSource::Runs;
        extents.clear();
    }
    if (node.extra == 0) return ExtentSource::None;
    const std::uint64_t clusters = (node.size + volume.ClusterBytes() - 1) / volume.ClusterBytes();
    if (clusters > UINT32_MAX) return ExtentSource::None;
    if (!AppendRunExtents(volume, {MftRun{node.extra, static_cast<std::uint32_t>(clusters), false}}, extents)) {
        extents.clear();
        return ExtentSource::None;
    }
    return ExtentSource::Guessed;
}

}  // namespace tundrel
