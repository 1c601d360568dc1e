#include "scan/size_bounds.h"

#include <algorithm>

#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "scan/volume_scanner.h"

namespace tundrel {
std::uint64_t DataAreaBytes(const VolumeScanner& scanner, const ScanNode& node) {
    const std::uint64_t sourceSectors = scanner.source != nullptr ? scanner.source->totalSectors : 0;
    if (node.Has(kFlagContiguous) && sourceSectors != 0) return sourceSectors * kSectorBytes;
    if (scanner.volumeSectors != 0) return std::uint64_t{scanner.volumeSectors} * kSectorBytes;
    return sourceSectors > scanner.volumeStart ? (sourceSectors - scanner.volumeStart) * kSectorBytes : 0;
}

bool SizeBeyondVolume(const VolumeScanner& scanner, const ScanNode& node) {
    if (node.IsDirectory()) return false;
    const std::uint64_t area = DataAreaBytes(scanner, node);
    return area != 0 && node.size > area;
}

std::uint64_t BoundedSize(const VolumeScanner& scanner, const ScanNode& node) {
    return SizeBeyondVolume(scanner, node) ? DataAreaBytes(scanner, node) : node.size;
}

std::uint64_t BytesToCopy(const VolumeScanner& scanner, const ScanNode& node, const ExtentList& extents) {
    if (!SizeBeyondVolume(scanner, node)) return node.size;
    return std::min(node.size, scanner.ExtentDataBytes(node, extents));
}

}  // namespace tundrel
