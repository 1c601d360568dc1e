#include "disk/partition_table.h"

#include "disk/bounded_read.h"
#include "disk/fs_type.h"
#include "disk/gpt_table.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kFirstEntry = 446;
constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kEntryCount = 4;
constexpr std::size_t kTypeField = 4;
constexpr std::size_t kFirstSectorField = 8;
constexpr std::size_t kSectorCountField = 12;

enum class EntryKind { Skipped, Extended, NtfsOrExFat, Fat32, Fat16, EfiSystem, GptProtective };

EntryKind KindOf(std::uint8_t type) {
    switch (type) {
        case 0x05: case 0x0F: return EntryKind::Extended;
        case 0x07: case 0x42: case 0x17: return EntryKind::NtfsOrExFat;
        case 0x0B: case 0x0C: case 0xBC: return EntryKind::Fat32;
        case 0x01: case 0x04: case 0x06: case 0x0E: case 0x16: return EntryKind::Fat16;  // 0x01: FAT12
        case 0xEF: return EntryKind::EfiSystem;
        case 0xEE: return EntryKind::GptProtective;
        default: return EntryKind::Skipped;  // Linux, ...
    }
}

void FollowExtended(PartitionWalk& walk, std::uint64_t tableSector, std::uint32_t extendedBase, unsigned depth) {
    if (depth + 1 >= kMaxTableDepth || tableSector > UINT32_MAX || walk.tablesRead.size() >= kMaxTablesRead) return;
    const auto sector = static_cast<std::uint32_t>(tableSector);
    if (!walk.tablesRead.insert(sector).second) return;
    BootSectorBytes table{};
    if (!ReadSectorWithin(walk.source, sector, table)) return;
    WalkPartitionTable(walk, table, sector, extendedBase != 0 ? extendedBase : sector, depth + 1);
}

}  // namespace

void WalkPartitionTable(PartitionWalk& walk, SectorBytes table, std::uint32_t base, std::uint32_t extendedBase,
                        unsigned depth) {
    const ByteReader reader(table);
    if (!HasBootSignature(table) || depth >= kMaxTableDepth) return;

    VolumeInfo blank;
    blank.diskName = walk.source.name;
    blank.diskSectors = walk.source.totalSectors;

    for (std::size_t index = 0; index < kEntryCount && walk.stop.load() == 0; ++index) {
        const std::size_t entry = kFirstEntry + index * kEntryBytes;
        const EntryKind kind = KindOf(reader.U8(entry + kTypeField));
        const std::uint32_t first = reader.U32(entry + kFirstSectorField);
        if (kind == EntryKind::Skipped) continue;
        if (kind == EntryKind::GptProtective) {
            // Only the MBR's protective entry stands for the disk's GUID table, and only once.
            if (depth == 0 && !walk.gptRead) {
                walk.gptRead = true;
                ReadGuidPartitionTable(walk);
            }
            continue;
        }
        if (kind == EntryKind::Extended) {
            FollowExtended(walk, std::uint64_t{first} + extendedBase, extendedBase, depth);
            continue;
        }
        const std::uint64_t start = std::uint64_t{base} + first;
        if (start > UINT32_MAX) continue;  // no 32-bit sector number can reach it

        VolumeInfo record = blank;
        record.startSector = static_cast<std::uint32_t>(start);
        record.sectorCount = reader.U32(entry + kSectorCountField);
        switch (kind) {
            case EntryKind::NtfsOrExFat:
                ReadSectorWithin(walk.source, record.startSector, record.bootSector);
                record.fsType = BootSectorType(walk.fileSystems, record.bootSector) == kFsExFat ? kFsExFat : kFsNtfs;
                break;
            case EntryKind::Fat32: record.fsType = kFsFat32; break;
            case EntryKind::EfiSystem:  // FAT12, FAT16 or FAT32: its boot sector tells
                ReadSectorWithin(walk.source, record.startSector, record.bootSector);
                record.fsType = BootSectorType(walk.fileSystems, record.bootSector) == kFsFat32 ? kFsFat32 : kFsFat16;
                break;
            default: record.fsType = kFsFat16; break;
        }
        walk.records.push_back(record);
    }
}

}  // namespace tundrel
