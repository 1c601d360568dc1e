#include "scan/volume_scanner.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "disk/fs_type.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "scan/name_case.h"
#include "scan/node_records.h"
#include "scan/result_file.h"
#include "scan/scan_context.h"
#include "support/archive_reader.h"
#include "support/archive_writer.h"

namespace tundrel {
namespace {
constexpr std::uint64_t kPieceSectors = 128;  // 64 KiB per read
}  // namespace

VolumeScanner::VolumeScanner(ScanContext& context, std::uint32_t type)
    : source(&context.source),
      readSource(&context.source),
      fsType(type),
      context_(context),
      progress_(context.environment.progress),
      settings_(context.environment.settings) {}

VolumeScanner::~VolumeScanner() = default;

std::uint32_t VolumeScanner::NodeFirstSector(const ScanNode&) const { return 0; }

bool VolumeScanner::BuildExtents(const ScanNode& node, ExtentList& extents) {
    extents.clear();
    if (!node.Has(kFlagContiguous)) return false;
    // One run of the file's size from its first sector, cut at the end of the source.
    const std::uint64_t sourceSectors = source != nullptr ? source->totalSectors : 0;
    const std::uint64_t first = node.location;
    std::uint64_t sectors = (node.size + kSectorBytes - 1) / kSectorBytes;
    if (sourceSectors != 0) sectors = std::min(sectors, sourceSectors - std::min(first, sourceSectors));
    if (sectors == 0) return false;
    FileExtent extent;
    extent.startSector = node.location;
    extent.sectorCount = sectors;
    extents.push_back(std::move(extent));
    return true;
}

std::uint64_t VolumeScanner::ExtentDataBytes(const ScanNode&, const ExtentList& extents) const {
    std::uint64_t bytes = 0;
    for (const FileExtent& extent : extents) bytes += extent.sectorCount * kSectorBytes;
    return bytes;
}

bool VolumeScanner::ReadNodeData(std::span<std::uint8_t> buffer, std::uint64_t offset, const ScanNode&,
                                 const ExtentList& extents) {
    std::size_t copied = 0;
    std::uint64_t extentStartByte = 0;  // file offset of the current extent's first byte
    bool readFailed = false;
    std::vector<std::uint8_t> piece;
    for (const FileExtent& extent : extents) {
        if (copied == buffer.size()) break;
        const std::uint64_t extentBytes = extent.sectorCount * kSectorBytes;
        const std::uint64_t position = offset + copied;
        if (position >= extentStartByte + extentBytes) {
            extentStartByte += extentBytes;
            continue;
        }
        std::uint64_t within = position - extentStartByte;
        const std::uint64_t filledBytes = extentBytes - std::min(extent.zeroBytes, extentBytes);
        const std::uint64_t filledSectors = (filledBytes + kSectorBytes - 1) / kSectorBytes;
        while (copied < buffer.size() && within < extentBytes) {
            if (within >= filledBytes) {
                const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(extentBytes - within, buffer.size() - copied));
                std::memset(buffer.data() + copied, 0, take);
                copied += take;
                within += take;
                continue;
            }
            const std::uint64_t sectorInExtent = within / kSectorBytes;
            const std::size_t skip = static_cast<std::size_t>(within % kSectorBytes);
            const std::uint64_t sectors = std::min(kPieceSectors, filledSectors - sectorInExtent);
            const std::uint64_t sector = extent.startSector + sectorInExtent;
            piece.assign(static_cast<std::size_t>(sectors * kSectorBytes), 0);
            // Sector numbers of a read are 32-bit; a run beyond them is never read from a
            // wrapped-around position.
            const bool readable = sector + sectors <= std::numeric_limits<std::uint32_t>::max() &&
                                  readSource->ReadSectors(piece, static_cast<std::uint32_t>(sector));
            const auto take = static_cast<std::size_t>(
                std::min<std::uint64_t>({piece.size() - skip, buffer.size() - copied, filledBytes - within}));
            if (readable) {
                std::memcpy(buffer.data() + copied, piece.data() + skip, take);
            } else {
                std::memset(buffer.data() + copied, 0, take);
                readFailed = true;
            }
            copied += take;
            within += take;
        }
        extentStartByte += extentBytes;
    }
    // The request ran past the last extent: nothing describes those bytes.
    if (copied < buffer.size()) {
        std::memset(buffer.data() + copied, 0, buffer.size() - copied);
        return false;
    }
    return !readFailed;
}

std::uint64_t VolumeScanner::SourcedVolumeSectors() const {
    std::uint64_t length = volumeSectors;
    if (source != nullptr && source->totalSectors > volumeStart) {
        const std::uint64_t remainder = source->totalSectors - volumeStart;
        length = length == 0 ? remainder : std::min(length, remainder);
    }
    return length;
}

bool VolumeScanner::ExpandDirectory(ScanNode&, std::uint32_t) { return false; }

std::int32_t VolumeScanner::DataAreaStart() const { return -1; }

void VolumeScanner::OnBootSectorLoaded() {}

void VolumeScanner::Serialize(ArchiveWriter& archive) const {
    archive.U32(volumeStart);
    archive.U32(volumeSectors);
    archive.U32(fsType);
    archive.U32(bootLoaded ? 1 : 0);
    archive.U32(scannerWord);
    archive.U32(static_cast<std::uint32_t>(kRootCount));
    archive.Bytes(FatBpb());
    archive.Bytes(NtfsBpb());
    archive.Bytes(BootHead());
    archive.Bytes(bootSector);
    for (const ScanNode& root : roots.roots) WriteNodeTree(archive, root);
}

bool VolumeScanner::Deserialize(ArchiveReader& archive) {
    volumeStart = archive.U32();
    volumeSectors = archive.U32();
    const std::uint32_t storedType = archive.U32();
    bootLoaded = archive.U32() != 0;
    scannerWord = archive.U32();
    const std::uint32_t rootCount = archive.U32();
    std::array<std::uint8_t, 62> fatBpb{};
    std::array<std::uint8_t, 84> ntfsBpb{};
    std::array<std::uint8_t, 8> bootHead{};
    archive.Bytes(fatBpb);
    archive.Bytes(ntfsBpb);
    archive.Bytes(bootHead);
    if (archive.version >= kResultVersionWithBootSector) {
        archive.Bytes(bootSector);
    } else {
        // Only the parameter blocks: a FAT scanner's own one laid over the NTFS one.
        bootSector.fill(0);
        std::ranges::copy(ntfsBpb, bootSector.begin());
        if (fsType == kFsFat16 || fsType == kFsFat32) std::ranges::copy(fatBpb, bootSector.begin());
    }
    // The record of another type than the one it was filed under, or with more root folders
    // than a tree has, is damage.
    if (!archive.Good() || storedType != fsType || rootCount > kRootCount) {
        archive.Fail();
        return false;
    }
    for (std::size_t index = 0; index < rootCount; ++index) {
        if (!ReadNodeTree(archive, roots.roots[index], namePool, rootCount - index - 1)) return false;
    }
    treeLoaded_ = true;
    return true;
}

std::optional<std::uint32_t> VolumeScanner::FileDataSector(const ScanNode&) const { return std::nullopt; }

void VolumeScanner::MarkMatchingFiles(const ScanNode& directory, SectorMap& target, std::u16string_view extension,
                                      const std::atomic<std::uint32_t>& stop) const {
    for (const ScanNode& child : directory.children) {
        if (stop.load(std::memory_order_relaxed) != 0) return;
        if (child.IsDirectory()) {
            MarkMatchingFiles(child, target, extension, stop);
            continue;
        }
        if (child.size == 0 || child.name == nullptr || UpperExtension(child.name) != extension) continue;
        if (const auto sector = FileDataSector(child)) target[*sector] = 0;
    }
}

}  // namespace tundrel
