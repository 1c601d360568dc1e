#pragma once
// The kernel's table of this process's mounts (/proc/self/mountinfo).

#include <string>
#include <string_view>
#include <vector>

#include "platform/sysfs_block.h"

namespace tundrel::platform {

struct MountInfoEntry {
    DeviceNumber device;     // st_dev of the mounted file system
    std::string root;        // the mounted directory within the file system ("/" for the whole)
    std::string mountPoint;  // unescaped
    std::string fsType;      // "vfat", "ntfs3", "fuseblk", ...
    std::string source;      // unescaped: "/dev/sdb1", "tmpfs", ...
};

// One entry per well-formed line; malformed lines are skipped.
std::vector<MountInfoEntry> ParseMountInfo(std::string_view text);

// The kernel writes space, tab, newline and backslash in paths as \040, \011, \012 and \134.
std::string UnescapeMountField(std::string_view field);

// The table of the running process, from ProcRoot(); empty when it cannot be read.
std::vector<MountInfoEntry> ReadMountInfo();

}  // namespace tundrel::platform
