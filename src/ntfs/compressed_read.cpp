#include "ntfs/compressed_read.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "disk/volume_info.h"
#include "ntfs/compression_units.h"
#include "ntfs/lznt1.h"

namespace tundrel {
namespace {


// Reads the unit's pieces back to back into `stored`; the number of sectors read, or
// nothing when a read fails or the pieces add up to more than a unit.
std::optional<std::uint64_t> ReadUnit(const NtfsVolume& volume, const FileExtent& unit, std::uint64_t unitSectors,
                                      std::vector<std::uint8_t>& stored) {
    std::uint64_t total = unit.sectorCount;
    for (const ExtentPiece& piece : unit.pieces) total += piece.sectorCount;
    if (total > unitSectors) return std::nullopt;
    std::uint64_t filled = 0;
    auto readPiece = [&](std::uint64_t start, std::uint64_t count) {
        if (count == 0) return true;
        if (start > UINT32_MAX) return false;
        const std::span<std::uint8_t> target(stored.data() + filled * kSectorBytes, count * kSectorBytes);
        filled += count;
        return volume.Read(target, static_cast<std::uint32_t>(start));
    };
    if (!readPiece(unit.startSector, unit.sectorCount)) return std::nullopt;
    for (const ExtentPiece& piece : unit.pieces) {
        if (!readPiece(piece.startSector, piece.sectorCount)) return std::nullopt;
    }
    return total;
}

}  // namespace

bool ReadCompressed(const NtfsVolume& volume, const ExtentList& units, std::uint64_t fileSize, std::uint64_t offset,
                    std::span<std::uint8_t> buffer) {
    const std::uint64_t unitSectors = std::uint64_t{kClustersPerCompressionUnit} * volume.SectorsPerCluster();
    const std::uint64_t unitBytes = unitSectors * kSectorBytes;
    std::size_t delivered = 0;
    if (unitBytes != 0 && !units.empty() && volume.ClusterBytes() <= kLargestCompressedClusterBytes) {
        std::vector<std::uint8_t> stored(static_cast<std::size_t>(unitBytes));
        std::vector<std::uint8_t> decoded(static_cast<std::size_t>(unitBytes));
        std::uint64_t loadedUnit = UINT64_MAX;
        while (delivered < buffer.size()) {
            const std::uint64_t position = offset + delivered;
            if (position >= fileSize) break;
            const std::uint64_t unitIndex = position / unitBytes;
            if (unitIndex >= units.size()) break;
            if (unitIndex != loadedUnit) {
                const auto sectors = ReadUnit(volume, units[static_cast<std::size_t>(unitIndex)], unitSectors, stored);
                if (!sectors) break;
                if (*sectors == 0) {
                    std::fill(decoded.begin(), decoded.end(), 0);
                } else if (*sectors == unitSectors) {
                    decoded.swap(stored);
                } else {
                    std::size_t produced = 0;
                    const std::span<const std::uint8_t> input(stored.data(), static_cast<std::size_t>(*sectors * kSectorBytes));
                    if (!DecodeLznt1(input, decoded, produced)) break;
                    // A unit that holds less than its size ends in zeros; the read moves on.
                    std::fill(decoded.begin() + static_cast<std::ptrdiff_t>(produced), decoded.end(), 0);
                }
                loadedUnit = unitIndex;
            }
            const std::uint64_t within = position - unitIndex * unitBytes;
            const std::uint64_t count =
                std::min({unitBytes - within, std::uint64_t{buffer.size() - delivered}, fileSize - position});
            std::copy_n(decoded.begin() + static_cast<std::ptrdiff_t>(within), count,
                        buffer.begin() + static_cast<std::ptrdiff_t>(delivered));
            delivered += static_cast<std::size_t>(count);
        }
    }
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(delivered), buffer.end(), 0);
    return delivered == buffer.size();
}

}  // namespace tundrel
