#pragma once
// The 32-byte FAT directory entry: its fields, its state, and the short-name checksum that
// ties long-name entries to their short entry.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fat/directory_block.h"

namespace tundrel {

// The longest directory a FAT volume allows: 65,536 entries of 32 bytes.
inline constexpr std::uint64_t kMaxFatDirectoryBytes = 65536 * 32;

using EntryBytes = std::span<const std::uint8_t>;

// Attribute byte values.
inline constexpr std::uint8_t kAttrReadOnly = 0x01;
inline constexpr std::uint8_t kAttrHidden = 0x02;
inline constexpr std::uint8_t kAttrSystem = 0x04;
inline constexpr std::uint8_t kAttrVolumeLabel = 0x08;
inline constexpr std::uint8_t kAttrDirectory = 0x10;
inline constexpr std::uint8_t kAttrArchive = 0x20;
inline constexpr std::uint8_t kAttrLongName = 0x0F;
inline constexpr std::uint8_t kAttrReserved = 0xC0;

// Case flags (byte 12): the short name or extension is shown in lower case.
inline constexpr std::uint8_t kCaseLowerName = 0x08;
inline constexpr std::uint8_t kCaseLowerExtension = 0x10;

// Field offsets within an entry.
namespace entry_field {
inline constexpr std::size_t kName = 0;  // 8 bytes, then the 3-byte extension
inline constexpr std::size_t kExtension = 8;
inline constexpr std::size_t kAttributes = 11;
inline constexpr std::size_t kCaseFlags = 12;
inline constexpr std::size_t kCreatedTenMs = 13;
inline constexpr std::size_t kLongNameChecksum = 13;
inline constexpr std::size_t kCreatedTime = 14;
inline constexpr std::size_t kCreatedDate = 16;
inline constexpr std::size_t kAccessedDate = 18;
inline constexpr std::size_t kClusterHigh = 20;
inline constexpr std::size_t kModifiedTime = 22;
inline constexpr std::size_t kModifiedDate = 24;
inline constexpr std::size_t kClusterLow = 26;
inline constexpr std::size_t kSize = 28;
}  // namespace entry_field

inline constexpr std::size_t kShortNameBytes = 11;
inline constexpr std::size_t kLongNameCharsPerEntry = 13;
inline constexpr std::uint8_t kLongNameLastFlag = 0x40;

// First byte of an entry whose record is free: 0xE5, 0x05 or 0xEB.
bool IsFreedMark(std::uint8_t firstByte);

// A freed entry that cannot have been a file, so nothing of it is offered for recovery: a
// long-name entry whose attribute byte was lost (0, with a first cluster of 0 and the zero
// bytes of UTF-16 text in its name), or an entry with data whose first cluster lies below the
// data area (whose size and dates then are noise too).
bool CannotBeDeletedFile(EntryBytes entry, std::uint32_t fsType);

// The `index`-th 32-byte entry of a buffer; empty when it does not lie wholly inside.
EntryBytes EntryAt(std::span<const std::uint8_t> directory, std::size_t index);

bool IsAllZero(std::span<const std::uint8_t> bytes);
bool IsAllSpaces(std::span<const std::uint8_t> bytes);

// The 11 name and extension bytes equal "." or ".." padded with spaces.
bool IsDotEntryName(EntryBytes entry);
// The buffer begins with the "." and ".." entries every subdirectory starts with.
bool BeginsWithDotEntries(std::span<const std::uint8_t> directory);

// The standard checksum over the 11 short-name bytes: rotate right by one, add the byte.
std::uint8_t ShortNameChecksum(EntryBytes entry);

// First cluster: FAT16 uses the low word alone; every other type joins the high and low words.
std::uint32_t EntryFirstCluster(EntryBytes entry, std::uint32_t fsType);

// A FAT time (2-second units) and the creation time's 10 ms count as packed time.
std::uint32_t PackedFatTime(std::uint16_t fatTime, std::uint8_t tenMilliseconds);

// The 13 UTF-16 characters of a long-name entry, in name order.
void LongNameChars(EntryBytes entry, char16_t (&chars)[kLongNameCharsPerEntry]);

}  // namespace tundrel
