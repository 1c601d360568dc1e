#include "disk/destination_drives.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/file_system_space.h"

namespace tundrel {
namespace {

// File systems that show the kernel's state or serve it, never the user's files.
constexpr std::array<std::string_view, 22> kPseudoTypes = {
    "proc",    "sysfs",       "cgroup", "cgroup2",    "devpts", "devtmpfs", "mqueue",    "securityfs",
    "debugfs", "tracefs",     "pstore", "bpf",        "hugetlbfs", "configfs", "fusectl", "binfmt_misc",
    "autofs",  "rpc_pipefs",  "nsfs",   "efivarfs",   "selinuxfs", "nfsd",
};

constexpr std::array<std::string_view, 3> kKernelTrees = {"/proc", "/sys", "/dev"};

bool IsPseudo(std::string_view type) {
    return std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end();
}

bool InKernelTree(std::string_view mountPoint) {
    return std::any_of(kKernelTrees.begin(), kKernelTrees.end(), [&](std::string_view tree) {
        return mountPoint.starts_with(tree) && (mountPoint.size() == tree.size() || mountPoint[tree.size()] == '/');
    });
}

}  // namespace

std::vector<platform::MountInfoEntry> DestinationCandidates(const std::vector<platform::MountInfoEntry>& mounts) {
    std::vector<platform::MountInfoEntry> candidates;
    for (const platform::MountInfoEntry& mount : mounts) {
        if (IsPseudo(mount.fsType) || InKernelTree(mount.mountPoint)) continue;
        // A place mounted over keeps its first line in the table; the newer mount is the one seen.
        const auto earlier = std::find_if(candidates.begin(), candidates.end(),
                                          [&](const platform::MountInfoEntry& known) { return known.mountPoint == mount.mountPoint; });
        if (earlier != candidates.end()) {
            *earlier = mount;
        } else {
            candidates.push_back(mount);
        }
    }
    return candidates;
}

std::vector<DestinationDrive> ListDestinationDrives() {
    std::vector<DestinationDrive> drives;
    for (const platform::MountInfoEntry& mount : DestinationCandidates(platform::ReadMountInfo())) {
        std::error_code ec;
        // Single files bind-mounted into place (a container's /etc/hosts) are no destination.
        if (!std::filesystem::is_directory(mount.mountPoint, ec)) continue;
        const std::optional<platform::FileSystemSpace> space = platform::SpaceOf(mount.mountPoint);
        if (!space || space->readOnly) continue;
        drives.push_back({mount.mountPoint, mount.fsType, mount.source, space->freeBytes, space->totalBytes});
    }
    return drives;
}

}  // namespace tundrel
