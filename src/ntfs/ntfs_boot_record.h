#pragma once
// The NTFS boot record: the geometry the scanner needs, and whether a copy can be trusted.

#include <cstdint>
#include <span>

namespace tundrel {

struct NtfsBootRecord {
    std::uint16_t bytesPerSector = 0;
    std::uint8_t sectorsPerCluster = 0;  // byte 13 as it stands; NtfsClusterSectors decodes it
    std::uint64_t totalSectors = 0;
    std::uint64_t mftCluster = 0;
    std::uint64_t mirrorCluster = 0;
};

NtfsBootRecord ReadNtfsBootRecord(std::span<const std::uint8_t> sector);

// 512-byte sectors, a cluster size (512 bytes to 2 MiB), and an MFT or mirror start.
bool IsUsable(const NtfsBootRecord& boot);

// The copy in the volume's last sector stands in for a lost first sector when it carries the
// 55 AA mark, counts the volume's sectors less one, and passes the NTFS boot-sector test.
bool IsAcceptedBackupBootRecord(std::span<const std::uint8_t> sector, std::uint32_t volumeSectors);

}  // namespace tundrel
