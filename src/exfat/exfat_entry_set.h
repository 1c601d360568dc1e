#pragma once
// exFAT directory entries: their types, their fields, and the two values that tie an entry
// set together (the set checksum and the name hash).
//
// A file is described by a set of 32-byte entries: a file entry, a stream extension entry and
// one or more file name entries. Bit 0x80 of an entry's type byte is its in-use bit, so a
// deleted set keeps its types with that bit cleared.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tundrel {

inline constexpr std::size_t kExFatEntryBytes = 32;
inline constexpr std::size_t kExFatNameCharsPerEntry = 15;

namespace exfat_type {
inline constexpr std::uint8_t kInUse = 0x80;
inline constexpr std::uint8_t kBitmap = 0x81;
inline constexpr std::uint8_t kUpcaseTable = 0x82;
inline constexpr std::uint8_t kVolumeLabel = 0x83;
inline constexpr std::uint8_t kFile = 0x85;
inline constexpr std::uint8_t kStream = 0xC0;
inline constexpr std::uint8_t kName = 0xC1;
}  // namespace exfat_type

// Field offsets within the entries.
namespace exfat_field {
inline constexpr std::size_t kType = 0;
// Allocation bitmap entry.
inline constexpr std::size_t kBitmapFirstCluster = 20;
inline constexpr std::size_t kBitmapLength = 24;
// File entry.
inline constexpr std::size_t kSecondaryCount = 1;
inline constexpr std::size_t kSetChecksum = 2;
inline constexpr std::size_t kAttributes = 4;
inline constexpr std::size_t kCreated = 8;   // time in the low 16 bits, date in the high 16 bits
inline constexpr std::size_t kModified = 12;
inline constexpr std::size_t kAccessed = 16;
inline constexpr std::size_t kCreatedUtcOffset = 22;  // bit 7: valid; bits 0-6: signed 15-minute steps
inline constexpr std::size_t kModifiedUtcOffset = 23;
inline constexpr std::size_t kAccessedUtcOffset = 24;
// Stream extension entry.
inline constexpr std::size_t kStreamFlags = 1;
inline constexpr std::size_t kNameLength = 3;
inline constexpr std::size_t kNameHash = 4;
inline constexpr std::size_t kValidLength = 8;
inline constexpr std::size_t kFirstCluster = 20;
inline constexpr std::size_t kDataLength = 24;
// File name entry.
inline constexpr std::size_t kNameChars = 2;
}  // namespace exfat_field

// Stream flags: the clusters may be allocated, and they are contiguous without a FAT chain.
inline constexpr std::uint8_t kStreamAllocationPossible = 0x01;
inline constexpr std::uint8_t kStreamNoFatChain = 0x02;

inline bool IsFileEntryType(std::uint8_t type) { return (type | exfat_type::kInUse) == exfat_type::kFile; }
inline bool IsStreamEntryType(std::uint8_t type) { return (type | exfat_type::kInUse) == exfat_type::kStream; }
inline bool IsNameEntryType(std::uint8_t type) { return (type | exfat_type::kInUse) == exfat_type::kName; }
inline bool IsInUse(std::uint8_t type) { return (type & exfat_type::kInUse) != 0; }

// The `index`-th entry of a directory buffer; empty when it does not lie wholly inside.
std::span<const std::uint8_t> ExFatEntryAt(std::span<const std::uint8_t> directory, std::size_t index);

// The checksum over a whole entry set (its file entry and all secondary entries), skipping
// the checksum field itself. A deleted set is summed as it was while in use, so a set that
// was only marked deleted still checks.
std::uint16_t EntrySetChecksum(std::span<const std::uint8_t> set);

// The hash of a name, each UTF-16 unit upper-cased by simple case mapping. An empty name has
// no hash: no stored hash ever matches it.
std::optional<std::uint16_t> NameHash(std::u16string_view name);

}  // namespace tundrel
