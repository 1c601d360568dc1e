#pragma once
// The fields of an MFT file record's header that the engine reads.

#include <cstddef>
#include <cstdint>
#include <span>

#include "ntfs/mft_record_fixup.h"

namespace tundrel {

inline constexpr std::size_t kFirstAttributeField = 0x14;
inline constexpr std::size_t kRecordFlagsField = 0x16;
inline constexpr std::size_t kBaseRecordField = 0x20;  // 0 in a base record; else its base's reference
inline constexpr std::size_t kRecordNumberField = 0x2C;  // only in the 0x38-byte header form

inline constexpr std::uint16_t kRecordInUse = 0x0001;
inline constexpr std::uint16_t kRecordIsDirectory = 0x0002;

// Where the attributes of a sound record may start.
inline constexpr std::size_t kFirstAttributeMin = 0x30;
inline constexpr std::size_t kFirstAttributeMax = 0x3FF;

bool HasFileSignature(std::span<const std::uint8_t> record);
std::uint16_t FirstAttributeOffset(std::span<const std::uint8_t> record);
bool IsFirstAttributeInRange(std::size_t offset);
std::uint16_t RecordFlags(std::span<const std::uint8_t> record);
// True for a record that holds attributes of another (an extension record).
bool IsExtensionRecord(std::span<const std::uint8_t> record);
// The record number of an extension record's base (0 in a base record).
std::uint32_t BaseRecordOf(std::span<const std::uint8_t> record);

}  // namespace tundrel
