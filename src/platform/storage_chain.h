#pragma once
// What a file system or a source rests on, layer by layer: the device itself, the disk a
// partition belongs to, the devices a device-mapper or RAID device is built from, and the
// image file behind a loop device or a FUSE mount. Two chains that share a layer share storage.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sysfs_block.h"

namespace tundrel::platform {

enum class LayerKind { BlockDevice, File };

struct StorageLayer {
    LayerKind kind = LayerKind::BlockDevice;
    DeviceNumber device;      // the block device; for a file, the device of its file system
    std::uint64_t inode = 0;  // files only
    // Where the top layer's sector 0 lies on this layer, and how far its area reaches
    // (512-byte sectors; a count of 0 reaches to the end).
    std::uint64_t start = 0;
    std::uint64_t count = 0;
    // False below a device-mapper or RAID device, whose mapping sysfs does not tell: the top
    // layer's area then lies somewhere within [start, start + count).
    bool exact = true;
};

using StorageChain = std::vector<StorageLayer>;

bool SameLayer(const StorageLayer& a, const StorageLayer& b);

// The chain below a block device, the device first; empty when the kernel does not list it.
StorageChain ChainOfBlockDevice(DeviceNumber device);
// The chain of a source path: a block device's, or one layer for an image file.
StorageChain ChainOfPath(const std::string& path);

}  // namespace tundrel::platform
