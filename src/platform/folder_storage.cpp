#include "platform/folder_storage.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <string_view>
#include <system_error>

namespace tundrel::platform {
namespace {

// Whether `folder` is `mountPoint` or lies below it, by whole path components.
bool Holds(std::string_view mountPoint, std::string_view folder) {
    if (mountPoint == "/") return true;
    if (!folder.starts_with(mountPoint)) return false;
    return folder.size() == mountPoint.size() || folder[mountPoint.size()] == '/';
}

const MountInfoEntry* Closest(const std::vector<MountInfoEntry>& mounts, const std::string& folder,
                              const DeviceNumber* device) {
    const MountInfoEntry* best = nullptr;
    for (const MountInfoEntry& mount : mounts) {
        if (device != nullptr && (mount.device.major != device->major || mount.device.minor != device->minor)) continue;
        if (!Holds(mount.mountPoint, folder)) continue;
        // Later lines of the table are mounted over earlier ones at the same place.
        if (best == nullptr || mount.mountPoint.size() >= best->mountPoint.size()) best = &mount;
    }
    return best;
}

}  // namespace

std::optional<MountInfoEntry> MountHolding(const std::vector<MountInfoEntry>& mounts, DeviceNumber device,
                                           const std::string& folder) {
    const MountInfoEntry* found = Closest(mounts, folder, &device);
    if (found == nullptr) found = Closest(mounts, folder, nullptr);
    if (found == nullptr) return std::nullopt;
    return *found;
}

StorageChain ChainOfMount(const MountInfoEntry& mount) {
    StorageChain chain = ChainOfBlockDevice(mount.device);
    if (!chain.empty()) return chain;
    // "/dev/sdb1" for btrfs and FUSE block mounts, or the image file a FUSE driver was given.
    if (mount.source.starts_with('/')) return ChainOfPath(mount.source);
    return {};
}

FolderStorage StorageOfFolder(const std::string& folder) {
    FolderStorage storage;
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::canonical(folder, ec);
    struct stat info = {};
    if (ec || ::stat(canonical.c_str(), &info) != 0) return storage;
    storage.mount = MountHolding(ReadMountInfo(), {::major(info.st_dev), ::minor(info.st_dev)}, canonical.string());
    if (storage.mount) storage.chain = ChainOfMount(*storage.mount);
    return storage;
}

}  // namespace tundrel::platform
