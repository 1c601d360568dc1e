#include "disk/bounded_read.h"

#include <algorithm>

#include "disk/volume_info.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kAddressableSectors = std::uint64_t{1} << 32;

}  // namespace

std::uint32_t SectorsWithin(const SectorSource& source, std::uint64_t first, std::uint32_t wanted) {
    const std::uint64_t end = std::min(source.totalSectors, kAddressableSectors);
    if (first >= end) return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, end - first));
}

std::vector<std::uint8_t> ReadWithin(SectorSource& source, std::uint64_t first, std::uint32_t wanted) {
    const std::uint32_t count = SectorsWithin(source, first, wanted);
    std::vector<std::uint8_t> bytes(std::size_t{count} * kSectorBytes);
    if (count != 0) source.ReadSectors(bytes, static_cast<std::uint32_t>(first));
    return bytes;
}

bool ReadSectorWithin(SectorSource& source, std::uint64_t first, std::span<std::uint8_t> sector) {
    const std::uint32_t wanted = static_cast<std::uint32_t>(sector.size() / kSectorBytes);
    if (wanted == 0 || SectorsWithin(source, first, wanted) != wanted) {
        std::fill(sector.begin(), sector.end(), 0);
        return false;
    }
    return source.ReadSectors(sector, static_cast<std::uint32_t>(first));
}

}  // namespace tundrel
