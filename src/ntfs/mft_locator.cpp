#include "ntfs/mft_locator.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "ntfs/attribute_list.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/mft_record_parse.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kRecordZeroSectors = 10;
constexpr std::uint32_t kMirrorReadSectors = 4;
constexpr std::uint32_t kCommonMftCluster = 786'432;
constexpr std::uint64_t kCommonMftSector = 6'291'456;  // cluster 786,432 with 8 sectors per cluster
constexpr std::size_t kSignatureSearchStep = 16;
constexpr std::size_t kRecordSearchEnd = 0x400;
constexpr std::size_t kMftRunListOffset = 0x40;
constexpr std::size_t kProbeBytes = 64 * 1024;
constexpr std::uint64_t kFirstProbeOffset = 300;
constexpr std::uint64_t kProbeStep = 128;
constexpr std::uint64_t kProbeEnd = 19'968;
constexpr std::uint32_t kProbeRecordsToAccept = 30;
constexpr std::uint64_t kMeasureStep = 50'000;
constexpr std::uint32_t kMeasureRecordsToGoOn = 50;
constexpr std::uint64_t kEarlyMftSector = 32;
constexpr std::uint64_t kEarlyProbeOffset = 300;
constexpr std::uint32_t kEarlyRecordsToAccept = 50;

bool IsMftRecord(std::span<std::uint8_t> record) {
    NamePool scratch;
    ScanNode node;
    ParseMftRecord(record, node, scratch);
    return node.name != nullptr && std::u16string_view(node.name) == u"$MFT";
}

bool HasRecordSignatureAt(std::span<const std::uint8_t> buffer, std::size_t offset) {
    return offset < buffer.size() && HasFileSignature(buffer.subspan(offset));
}

// Reads the sectors at `sector`, realigns their records and fixes up the first.
bool ReadRecords(const NtfsVolume& volume, std::optional<std::uint32_t> sector, std::vector<std::uint8_t>& buffer) {
    const bool read = volume.Read(buffer, sector);
    RealignMftRecords(buffer);
    FixupFirstSector(buffer);
    return read;
}

// Record 0 as found at the boot record's MFT cluster, at the usual MFT place, or in the
// mirror; the buffer then starts with the $MFT record.
bool FindRecordZero(const NtfsVolume& volume, const NtfsBootRecord& boot, std::vector<std::uint8_t>& buffer) {
    const auto mftCluster = static_cast<std::uint32_t>(boot.mftCluster);
    buffer.assign(kRecordZeroSectors * 512, 0);
    ReadRecords(volume, volume.ClusterSector(mftCluster), buffer);
    if (!HasRecordSignatureAt(buffer, 0) && !HasRecordSignatureAt(buffer, 512) && mftCluster != kCommonMftCluster) {
        const std::uint64_t usual = std::uint64_t{volume.volumeStart} + kCommonMftSector;
        ReadRecords(volume, usual <= UINT32_MAX ? std::optional(static_cast<std::uint32_t>(usual)) : std::nullopt, buffer);
    }
    if (IsMftRecord(buffer)) return true;

    for (std::size_t offset = 0; offset <= kRecordSearchEnd; offset += kSignatureSearchStep) {
        if (!HasRecordSignatureAt(buffer, offset)) continue;
        std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(offset), buffer.end(), buffer.begin());
        std::fill(buffer.end() - static_cast<std::ptrdiff_t>(offset), buffer.end(), 0);
        if (IsMftRecord(buffer)) return true;
        break;
    }

    buffer.assign(kMirrorReadSectors * 512, 0);
    ReadRecords(volume, volume.ClusterSector(static_cast<std::uint32_t>(boot.mirrorCluster)), buffer);
    return IsMftRecord(buffer);
}

std::optional<std::uint32_t> SourceSector(std::uint64_t sector) {
    if (sector > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(sector);
}

// Sectors of MFT from `first` on: 50,000 for the first probe and 50,000 more for each further
// probe, 50,000 sectors apart, that still holds records.
std::uint64_t MeasureMft(const NtfsVolume& volume, std::uint64_t first, const std::atomic<std::uint32_t>& stop) {
    std::vector<std::uint8_t> probe(kProbeBytes);
    std::uint64_t measured = kMeasureStep;
    for (std::uint64_t sector = first; stop.load() == 0; sector += kMeasureStep) {
        if (!volume.Read(probe, SourceSector(sector))) break;
        RealignMftRecords(probe);
        if (CountRecordSignatures(probe) < kMeasureRecordsToGoOn) break;
        measured += kMeasureStep;
    }
    return measured;
}

MftRunList RunOf(std::uint64_t startSector, std::uint64_t sectors, std::uint32_t sectorsPerCluster) {
    return {MftRun{static_cast<std::uint32_t>(startSector / sectorsPerCluster),
                   static_cast<std::uint32_t>(sectors / sectorsPerCluster), false}};
}

}  // namespace

std::uint32_t CountRecordSignatures(std::span<const std::uint8_t> buffer) {
    std::uint32_t count = 0;
    for (std::size_t step = 0; step + 512 <= buffer.size(); step += 512) {
        if (HasRecordSignatureAt(buffer, step) || HasRecordSignatureAt(buffer, step + 512)) {
            ++count;
            step += 512;
        }
    }
    return count;
}

MftRunList LocateMftFromRecordZero(const NtfsVolume& volume, const NtfsBootRecord& boot) {
    MftRunList runs;
    std::vector<std::uint8_t> buffer;
    if (!FindRecordZero(volume, boot, buffer)) return runs;
    const auto record = std::span<const std::uint8_t>(buffer).first(kMftRecordBytes);
    AttributeWalk walk(record, FirstAttributeOffset(record));
    while (const auto attribute = walk.Next()) {
        if (attribute->type == kAttrAttributeList) {
            return ResolveAttributeList(volume, *attribute, AttributeListMode::Runs).runs;
        }
        if (attribute->type == kAttrData) {
            const std::size_t from = attribute->offset + kMftRunListOffset;
            if (from < record.size()) DecodeRunList(record.subspan(from), runs);
            return runs;
        }
    }
    return runs;
}

MftRunList SearchForMft(const NtfsVolume& volume, const std::atomic<std::uint32_t>& stop) {
    const std::uint32_t spc = volume.SectorsPerCluster();
    if (spc == 0) return {};
    const std::uint64_t base = std::uint64_t{volume.volumeStart} + volume.sectorAdjustment;
    std::vector<std::uint8_t> probe(kProbeBytes);
    for (std::uint64_t k = 0; k < kProbeEnd && stop.load() == 0; k += kProbeStep) {
        volume.Read(probe, SourceSector(base + kCommonMftSector + kFirstProbeOffset + k));
        if (CountRecordSignatures(probe) <= kProbeRecordsToAccept) continue;
        const std::uint64_t sectors = MeasureMft(volume, base + kCommonMftSector + kMeasureStep, stop);
        return RunOf(kCommonMftSector, sectors, spc);
    }
    if (stop.load() != 0) return {};
    volume.Read(probe, SourceSector(base + kEarlyMftSector + kEarlyProbeOffset));
    if (CountRecordSignatures(probe) <= kEarlyRecordsToAccept) return {};
    const std::uint64_t sectors = MeasureMft(volume, base + kEarlyMftSector + kMeasureStep, stop);
    return RunOf(kEarlyMftSector, sectors, spc);
}

}  // namespace tundrel
