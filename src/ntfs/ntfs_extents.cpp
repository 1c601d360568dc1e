#include "ntfs/ntfs_extents.h"

#include <algorithm>
#include <array>
#include <optional>

#include "ntfs/attribute_list.h"
#include "ntfs/compression_units.h"
#include "ntfs/data_attribute.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/named_stream.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kLongestDataInRecord = 1024;

// A $DATA stream's runs and initialized size.
struct RecordData {
    MftRunList runs;
    std::optional<std::uint64_t> initializedSize;
};

// A $DATA stream (empty: the unnamed one) of the record at `recordSector`: through its
// attribute list when it has one, else from its own $DATA.
RecordData DataOfRecord(const NtfsVolume& volume, std::uint32_t recordSector, std::u16string_view stream) {
    RecordData data;
    std::array<std::uint8_t, kMftRecordBytes> record{};
    if (!volume.Read(record, recordSector)) return data;
    FixupFirstSector(record);
    if (!HasFileSignature(record)) return data;
    const std::uint16_t firstAttribute = FirstAttributeOffset(record);
    if (!IsFirstAttributeInRange(firstAttribute)) return data;
    AttributeWalk walk(record, firstAttribute);
    while (const auto attribute = walk.Next()) {
        if (attribute->type == kAttrAttributeList) {
            AttributeListResult resolved = ResolveAttributeList(volume, *attribute, AttributeListMode::Runs, nullptr, stream);
            if (!resolved.runs.empty()) return {std::move(resolved.runs), resolved.initializedSize};
        } else if (IsDataStream(*attribute, stream) && !attribute->IsResident()) {
            const auto bytes = attribute->RunListBytes();
            DecodeRunList(bytes, data.runs, bytes.size());
            data.initializedSize = attribute->InitializedSize();
            return data;
        }
    }
    return data;
}

// Appends the runs' extents in file order. The data ends at the first run whose clusters lie
// past the volume, that run keeping its clusters inside; false when nothing was appended or a
// run's first sector does not fit a sector number.
bool AppendRunExtents(const NtfsVolume& volume, const MftRunList& runs, ExtentList& extents) {
    for (const MftRun& run : runs) {
        std::uint64_t clusters = run.clusterCount;
        bool pastVolume = false;
        if (!run.sparse && volume.clusterCount != 0) {
            const std::uint64_t inside = volume.clusterCount - std::min<std::uint64_t>(run.startCluster, volume.clusterCount);
            pastVolume = clusters > inside;
            clusters = std::min(clusters, inside);
        }
        FileExtent extent;
        extent.sectorCount = clusters * volume.SectorsPerCluster();
        if (run.sparse) {
            extent.zeroBytes = extent.sectorCount * 512;
        } else if (clusters != 0) {
            const auto sector = volume.ClusterSector(run.startCluster);
            if (!sector) return false;
            extent.startSector = *sector;
        }
        if (extent.sectorCount != 0) extents.push_back(std::move(extent));
        if (pastVolume) break;
    }
    return !extents.empty();
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

    const RecordData data = DataOfRecord(volume, node.location, StreamNameOf(node));
    const MftRunList& runs = data.runs;
    if (node.Has(kFlagCompressed)) {
        extents = GroupCompressionUnits(volume, runs, node.size);
        return extents.empty() ? ExtentSource::None : ExtentSource::Runs;
    }
    if (!runs.empty() && TotalClusters(runs) * volume.ClusterBytes() >= node.size) {
        if (AppendRunExtents(volume, runs, extents)) {
            if (data.initializedSize && *data.initializedSize < node.size) ZeroFillFrom(extents, *data.initializedSize);
            return ExtentSource::Runs;
        }
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
