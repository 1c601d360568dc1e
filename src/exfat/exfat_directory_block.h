#pragma once
// Whether a block of bytes found anywhere on a disk holds exFAT directory entries. A pure
// function of the bytes, usable from every layer.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tundrel {

// `block` holds `entryCount` 32-byte entries (fewer when it is shorter). The block is taken
// when one of its entry sets lies wholly inside it with a matching set checksum and a
// matching name hash. Any set whose checksum or name hash is wrong rejects it, and so does a
// second bitmap, up-case table or volume label entry outside the sets.
bool IsExFatDirectoryBlock(std::span<const std::uint8_t> block, std::size_t entryCount);

}  // namespace tundrel
