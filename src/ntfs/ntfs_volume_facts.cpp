#include <cstring>
#include <ctime>
#include <optional>

#include "disk/boot_sector.h"
#include "disk/bounded_read.h"
#include "disk/volume_facts.h"
#include "ntfs/mft_record_fixup.h"
#include "support/byte_reader.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kVolumeRecordSectorOffset = 6;  // record 3 when records are 1,024 bytes
constexpr std::uint32_t kAttributeEnd = 0xFFFFFFFF;
constexpr std::uint32_t kStandardInformation = 0x10;
constexpr std::uint32_t kFileName = 0x30;
constexpr std::uint32_t kVolumeName = 0x60;
constexpr std::size_t kMaxLabelBytes = 128;
constexpr std::u16string_view kVolumeFileName = u"$Volume";

// File times count 100 ns from 1601-01-01; this many seconds lie before 1970-01-01.
constexpr std::int64_t kUnixEpochSeconds = 11644473600;
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000ULL;

struct VolumeRecord {
    bool named = false;  // a $FILE_NAME holds "$Volume"
    std::optional<std::uint64_t> created;
    std::u16string label;
};

std::u16string Utf16At(const ByteReader& record, std::size_t offset, std::size_t units) {
    const auto bytes = record.Bytes(offset, units * 2);
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(record.U16(offset + i * 2));
    return text;
}

void TakeAttribute(const ByteReader& record, std::size_t at, std::uint32_t type, VolumeRecord& found) {
    if (type == kStandardInformation && !found.created) {
        found.created = record.U64(at + 0x18);
    } else if (type == kFileName) {
        if (!found.created) found.created = record.U64(at + 0x20);
        const std::size_t nameLength = record.U8(at + 0x58);
        if (Utf16At(record, at + 0x5A, nameLength) == kVolumeFileName) found.named = true;
    } else if (type == kVolumeName) {
        const std::size_t valueBytes = record.U16(at + 16);
        if (valueBytes < kMaxLabelBytes && record.Has(at + 24, valueBytes)) {
            found.label = Utf16At(record, at + 24, valueBytes / 2);
        }
    }
}

VolumeRecord ParseVolumeRecord(std::span<const std::uint8_t> bytes) {
    const ByteReader record(bytes);
    VolumeRecord found;
    std::size_t at = record.U16(20);
    while (at < kMftRecordBytes) {
        const std::uint32_t type = record.U32(at);
        const std::uint32_t length = record.U32(at + 4);
        if (type == kAttributeEnd || length == 0 || length > kMftRecordBytes) break;
        TakeAttribute(record, at, type, found);
        at += length;
    }
    return found;
}

// The local date of a file time, any year (a FAT date could not hold the years before 1980).
std::u16string FileTimeDateText(std::uint64_t fileTime) {
    const auto seconds = static_cast<std::int64_t>(fileTime / kFileTimeTicksPerSecond) - kUnixEpochSeconds;
    const auto moment = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) return {};
    return ToUtf16(FormatText("%d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
}

}  // namespace

void ReadNtfsVolumeFacts(SectorSource& source, VolumeInfo& record) {
    const ByteReader boot(record.bootSector);
    const std::uint64_t mftSector = std::uint64_t{NtfsClusterSectors(boot.U8(13)).value_or(0)} * boot.U32(48);
    const std::uint64_t sector = std::uint64_t{record.startSector} + mftSector + kVolumeRecordSectorOffset;
    std::vector<std::uint8_t> bytes = ReadWithin(source, sector, kMftRecordBytes / kSectorBytes);
    if (bytes.size() < kMftRecordBytes || std::memcmp(bytes.data(), "FILE", 4) != 0) return;
    FixupFirstSector(bytes);
    const VolumeRecord found = ParseVolumeRecord(bytes);
    if (!found.named) return;
    if (found.created) record.createdText = FileTimeDateText(*found.created);
    record.label = found.label;
}

}  // namespace tundrel
