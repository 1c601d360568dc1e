#include "disk/gpt_table.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <optional>

#include "disk/bounded_read.h"
#include "disk/fs_type.h"
#include "support/byte_reader.h"
#include "support/strings.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kGptSignature = 0x5452415020494645;  // "EFI PART"
constexpr std::uint32_t kGptHeaderLeast = 92;
constexpr std::uint32_t kGptEntryLeast = 128;
// An array larger than this is no table a partitioning tool writes (128 entries of 128 bytes
// is the usual one); it is refused rather than read.
constexpr std::uint64_t kGptArrayMost = 1 << 20;
constexpr std::uint64_t kAddressable = std::uint64_t{1} << 32;

using Guid = std::array<std::uint8_t, 16>;
// In their on-disk byte order.
constexpr Guid kBasicDataType = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
constexpr Guid kEfiSystemType = {0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11,
                                 0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B};

struct GptHeader {
    std::uint64_t entriesLba = 0;
    std::uint32_t entryCount = 0;
    std::uint32_t entryBytes = 0;
    std::uint32_t entriesCrc = 0;
};

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(::crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

// The bytes of `count` logical sectors at `lba`; empty when any of them lies outside the
// 32-bit sector numbers of the source.
std::vector<std::uint8_t> ReadLogical(SectorSource& source, std::uint64_t lba, std::uint64_t bytes,
                                      std::uint32_t sectorBytes) {
    const std::uint64_t first = lba * (sectorBytes / kSectorBytes);
    const std::uint64_t sectors = (bytes + kSectorBytes - 1) / kSectorBytes;
    if (lba >= kAddressable || sectors > kGptArrayMost || SectorsWithin(source, first, static_cast<std::uint32_t>(sectors)) != sectors) {
        return {};
    }
    std::vector<std::uint8_t> read = ReadWithin(source, first, static_cast<std::uint32_t>(sectors));
    read.resize(bytes);
    return read;
}

// The header at `lba`, when its signature, size, CRC and own place hold.
std::optional<GptHeader> ReadGptHeader(SectorSource& source, std::uint64_t lba, std::uint32_t sectorBytes) {
    std::vector<std::uint8_t> bytes = ReadLogical(source, lba, kSectorBytes, sectorBytes);
    const ByteReader reader(bytes);
    if (bytes.empty() || reader.U64(0) != kGptSignature) return std::nullopt;
    const std::uint32_t size = reader.U32(12);
    if (size < kGptHeaderLeast || size > kSectorBytes || reader.U64(24) != lba) return std::nullopt;
    const std::uint32_t stored = reader.U32(16);
    std::fill_n(bytes.begin() + 16, 4, 0);
    if (Crc32(std::span(bytes).first(size)) != stored) return std::nullopt;
    GptHeader header{reader.U64(72), reader.U32(80), reader.U32(84), reader.U32(88)};
    if (header.entryBytes < kGptEntryLeast || header.entryBytes % 8 != 0 ||
        std::uint64_t{header.entryCount} * header.entryBytes > kGptArrayMost) {
        return std::nullopt;
    }
    return header;
}

std::uint32_t TypeOfEntry(PartitionWalk& walk, const VolumeInfo& record, const Guid& type) {
    const std::uint32_t found = BootSectorType(walk.fileSystems, record.bootSector);
    if (found != kFsRaw) return found;
    if (type == kBasicDataType) return kFsNtfs;
    if (type == kEfiSystemType) return kFsFat32;
    return kFsRaw;
}

void AddEntries(PartitionWalk& walk, std::span<const std::uint8_t> array, const GptHeader& header,
                std::uint32_t sectorBytes) {
    const std::uint64_t scale = sectorBytes / kSectorBytes;
    VolumeInfo blank;
    blank.diskName = walk.source.name;
    blank.diskSectors = walk.source.totalSectors;
    for (std::uint32_t index = 0; index < header.entryCount && walk.stop.load() == 0; ++index) {
        const ByteReader entry(array.subspan(std::size_t{index} * header.entryBytes, header.entryBytes));
        Guid type{};
        std::ranges::copy(entry.Bytes(0, type.size()), type.begin());
        const std::uint64_t firstLba = entry.U64(32);
        const std::uint64_t lastLba = entry.U64(40);
        if (type == Guid{} || lastLba < firstLba || lastLba >= UINT64_MAX / scale) continue;
        const std::uint64_t start = firstLba * scale;
        const std::uint64_t count = (lastLba - firstLba + 1) * scale;
        VolumeInfo record = blank;
        if (start + count > kAddressable) {
            // Its boot sector cannot be read through 32-bit sector numbers: its type says.
            record.beyond2TiB = true;
            record.wideStart = start;
            record.wideCount = count;
            record.fsType = type == kEfiSystemType ? kFsFat32 : type == kBasicDataType ? kFsNtfs : kFsRaw;
            walk.records.push_back(record);
            continue;
        }
        record.startSector = static_cast<std::uint32_t>(start);
        record.sectorCount = static_cast<std::uint32_t>(count);
        ReadSectorWithin(walk.source, start, record.bootSector);
        record.fsType = TypeOfEntry(walk, record, type);
        if (record.fsType != kFsRaw) walk.records.push_back(record);
    }
}

// The entry array a header names, when its CRC holds; a note when it does not.
bool ReadEntriesOf(PartitionWalk& walk, const GptHeader& header, std::uint32_t sectorBytes, const char* which) {
    const std::vector<std::uint8_t> array =
        ReadLogical(walk.source, header.entriesLba, std::uint64_t{header.entryCount} * header.entryBytes, sectorBytes);
    if (array.empty() && header.entryCount != 0) return false;
    if (Crc32(array) != header.entriesCrc) {
        walk.notes.push_back(Formatted(StringId::GptEntriesDamaged, which));
        return false;
    }
    AddEntries(walk, array, header, sectorBytes);
    return true;
}

}  // namespace

std::uint32_t LogicalSectorBytes(SectorSource& source) {
    if (source.kind != platform::SourceKind::Image && (source.bytesPerSector == 512 || source.bytesPerSector == 4096)) {
        return source.bytesPerSector;
    }
    for (const std::uint32_t size : {512u, 4096u}) {
        BootSectorBytes sector{};
        if (ReadSectorWithin(source, size / kSectorBytes, sector) && ByteReader(sector).U64(0) == kGptSignature) return size;
    }
    return 512;
}

void ReadGuidPartitionTable(PartitionWalk& walk) {
    SectorSource& source = walk.source;
    const std::uint32_t sectorBytes = LogicalSectorBytes(source);
    const std::uint64_t lastLba = source.totalSectors * kSectorBytes / sectorBytes - 1;
    const std::optional<GptHeader> primary = ReadGptHeader(source, 1, sectorBytes);
    if (!primary) walk.notes.push_back(Formatted(StringId::GptHeaderDamaged, "LBA 1"));
    if (primary && ReadEntriesOf(walk, *primary, sectorBytes, "LBA 1")) return;
    const std::optional<GptHeader> backup = ReadGptHeader(source, lastLba, sectorBytes);
    const std::string backupName = "LBA " + std::to_string(lastLba);
    if (!backup) {
        walk.notes.push_back(Formatted(StringId::GptHeaderDamaged, backupName.c_str()));
        return;
    }
    ReadEntriesOf(walk, *backup, sectorBytes, backupName.c_str());
}

}  // namespace tundrel
