#include "ntfs/resident_data.h"

#include <algorithm>
#include <array>

#include "ntfs/data_attribute.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_header.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kValueEndLimit = 0x3F8;
constexpr std::uint64_t kRecordValueLimit = 0x400;
constexpr std::uint64_t kUsualValueOffset = 0x18;

// Where the value of the resident $DATA starts in the record, when `size` bytes fit there.
std::optional<std::uint64_t> ValueStart(std::span<const std::uint8_t> record, std::uint64_t size, std::u16string_view stream) {
    const std::uint16_t firstAttribute = FirstAttributeOffset(record);
    if (!IsFirstAttributeInRange(firstAttribute)) return std::nullopt;
    AttributeWalk walk(record, firstAttribute);
    while (const auto attribute = walk.Next()) {
        if (!IsDataStream(*attribute, stream)) continue;
        if (!attribute->IsResident()) return std::nullopt;
        std::uint64_t valueOffset = attribute->ResidentValueOffset();
        // A damaged value offset is taken to be the usual one.
        if (attribute->offset + valueOffset + size > kValueEndLimit) valueOffset = kUsualValueOffset;
        const std::uint64_t start = attribute->offset + valueOffset;
        if (start + size > kRecordValueLimit) return std::nullopt;
        return start;
    }
    return std::nullopt;
}

}  // namespace

bool ReadResidentData(const NtfsVolume& volume, std::uint64_t recordSector, std::uint64_t size, std::uint64_t offset,
                      std::span<std::uint8_t> buffer, std::u16string_view stream) {
    std::fill(buffer.begin(), buffer.end(), 0);
    if (offset > size || buffer.size() > size - offset || recordSector > UINT32_MAX) return false;
    std::array<std::uint8_t, kMftRecordBytes> record{};
    if (!volume.Read(record, static_cast<std::uint32_t>(recordSector)) || !HasFileSignature(record)) return false;
    FixupFirstSector(record);
    const auto start = ValueStart(record, size, stream);
    if (!start) return false;
    std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(*start + offset), buffer.size(), buffer.begin());
    return true;
}

}  // namespace tundrel
