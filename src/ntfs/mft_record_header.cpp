#include "ntfs/mft_record_header.h"

#include <cstring>

#include "support/byte_reader.h"

namespace tundrel {

bool HasFileSignature(std::span<const std::uint8_t> record) {
    const auto signature = ByteReader(record).Bytes(0, 4);
    return !signature.empty() && std::memcmp(signature.data(), "FILE", 4) == 0;
}

std::uint16_t FirstAttributeOffset(std::span<const std::uint8_t> record) {
    return ByteReader(record).U16(kFirstAttributeField);
}

bool IsFirstAttributeInRange(std::size_t offset) {
    return offset >= kFirstAttributeMin && offset <= kFirstAttributeMax;
}

std::uint16_t RecordFlags(std::span<const std::uint8_t> record) { return ByteReader(record).U16(kRecordFlagsField); }

std::uint32_t BaseRecordOf(std::span<const std::uint8_t> record) { return ByteReader(record).U32(kBaseRecordField); }

bool IsExtensionRecord(std::span<const std::uint8_t> record) {
    // The low six bytes are the base's record number; the top two its sequence number.
    return (ByteReader(record).U64(kBaseRecordField) & 0x0000FFFFFFFFFFFFull) != 0;
}

}  // namespace tundrel
