#include "fat/fat_table.h"

#include <algorithm>
#include <limits>
#include <new>

#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kWindowBytes = 64 * 1024;

bool FitsSectorNumbers(std::uint64_t sector, std::uint64_t count) {
    return sector + count <= std::uint64_t{std::numeric_limits<std::uint32_t>::max()} + 1;
}

}  // namespace

void FatTable::Configure(SectorSource* source, std::uint64_t firstSector, std::uint64_t tableSectors, FatWidth width) {
    Release();
    source_ = source;
    firstSector_ = firstSector;
    tableSectors_ = tableSectors;
    width_ = width;
}

bool FatTable::LoadWhole() {
    Release();
    if (source_ == nullptr || tableSectors_ == 0 || !FitsSectorNumbers(firstSector_, tableSectors_)) return false;
    if (tableSectors_ > std::numeric_limits<std::size_t>::max() / kSectorBytes) return false;
    try {
        buffer_.assign(static_cast<std::size_t>(tableSectors_ * kSectorBytes), 0);
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
    if (!source_->ReadSectors(buffer_, static_cast<std::uint32_t>(firstSector_))) {
        Release();
        return false;
    }
    bufferFirstSector_ = 0;
    whole_ = true;
    return true;
}

void FatTable::Release() {
    std::vector<std::uint8_t>().swap(buffer_);
    bufferFirstSector_ = 0;
    whole_ = false;
}

std::span<const std::uint8_t> FatTable::Loaded() const {
    return whole_ ? std::span<const std::uint8_t>(buffer_) : std::span<const std::uint8_t>();
}

bool FatTable::ReadWindow(std::uint64_t tableSector) {
    Release();
    const std::uint64_t bytes = std::clamp((tableSectors_ - tableSector) * kSectorBytes, kSectorBytes, kWindowBytes);
    const std::uint64_t sector = firstSector_ + tableSector;
    if (source_ == nullptr || !FitsSectorNumbers(sector, bytes / kSectorBytes)) return false;
    buffer_.assign(static_cast<std::size_t>(bytes), 0);
    if (!source_->ReadSectors(buffer_, static_cast<std::uint32_t>(sector))) {
        Release();
        return false;
    }
    bufferFirstSector_ = tableSector;
    return true;
}

std::uint32_t FatTable::NextCluster(std::uint32_t cluster, std::uint32_t* raw) {
    if (cluster < 2 || cluster >= EntryCount()) return 0;
    const std::uint64_t offset = EntryByteOffset(cluster, width_);
    const std::uint64_t tableSector = offset / kSectorBytes;
    // A FAT12 entry may run on into the next sector: the window then starts at its own.
    const std::uint64_t lastSector = (offset + 1) / kSectorBytes;
    const auto covers = [&](std::uint64_t sector) {
        return sector >= bufferFirstSector_ && (sector - bufferFirstSector_) * kSectorBytes < buffer_.size();
    };
    const bool inBuffer = !buffer_.empty() && covers(tableSector) && covers(std::min(lastSector, tableSectors_ - 1));
    if (!inBuffer && !ReadWindow(tableSector)) return 0;
    const std::uint32_t value = ReadFatEntry(buffer_, cluster, width_, bufferFirstSector_ * kSectorBytes);
    if (raw != nullptr) *raw = value;
    return NextClusterOf(value, width_);
}

}  // namespace tundrel
