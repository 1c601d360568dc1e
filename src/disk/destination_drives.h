#pragma once
// The places offered as export destinations: the mount points of writable file systems that
// hold files (not the kernel's pseudo file systems).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mount_info.h"

namespace tundrel {

struct DestinationDrive {
    std::string mountPoint;
    std::string fsType;  // as the mount table names it
    std::string source;  // "/dev/sdb1", "tmpfs", ...
    std::uint64_t freeBytes = 0;
    std::uint64_t totalBytes = 0;
};

// Mounts whose type can hold the user's files, outside the kernel's own trees (/proc, /sys,
// /dev); a place mounted more than once is offered once.
std::vector<platform::MountInfoEntry> DestinationCandidates(const std::vector<platform::MountInfoEntry>& mounts);

// The candidates of the running system that are folders and are not mounted read-only, in
// the mount table's order.
std::vector<DestinationDrive> ListDestinationDrives();

}  // namespace tundrel
