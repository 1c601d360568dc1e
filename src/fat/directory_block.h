#pragma once
// Whether a block of bytes found anywhere on a disk holds FAT directory entries. A pure
// function of the bytes, usable from every layer.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tundrel {

inline constexpr std::size_t kFatEntryBytes = 32;

// `block` holds `entryCount` 32-byte entries (fewer when the block is shorter); `entryBefore`
// is the 32-byte entry that stands just before the block on disk, or empty when unknown.
bool IsFatDirectoryBlock(std::span<const std::uint8_t> block, std::size_t entryCount,
                         std::span<const std::uint8_t> entryBefore);

}  // namespace tundrel
