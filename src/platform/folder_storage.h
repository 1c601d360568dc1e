#pragma once
// The file system behind a folder: the mount that holds it and the storage it rests on.

#include <optional>
#include <string>
#include <vector>

#include "platform/mount_info.h"
#include "platform/storage_chain.h"

namespace tundrel::platform {

struct FolderStorage {
    std::optional<MountInfoEntry> mount;
    // Empty for file systems on no device (tmpfs, network shares, overlays).
    StorageChain chain;
};

// Looks the folder's file system up in the mount table, then follows it down through sysfs.
FolderStorage StorageOfFolder(const std::string& folder);

// Of the mounts of `device`, the one whose mount point holds `folder` (an absolute path
// without links) most closely: bind mounts show one file system at several places. When the
// table has no mount of the device, the closest mount point of any.
std::optional<MountInfoEntry> MountHolding(const std::vector<MountInfoEntry>& mounts, DeviceNumber device,
                                           const std::string& folder);

// What a mount rests on: its own block device, the device its source names (file systems
// such as btrfs report a device number of their own), or the image file a FUSE driver reads.
StorageChain ChainOfMount(const MountInfoEntry& mount);

}  // namespace tundrel::platform
