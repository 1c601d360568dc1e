#pragma once
// The machine's whole disks, as the kernel lists them under /sys/block.

#include <string>
#include <vector>

namespace tundrel::platform {

struct WholeDisk {
    std::string kernelName;  // "sda", "nvme0n1"
    std::string devicePath;  // "/dev/sda"
};

// Real disks only (entries with a `device` link; no loop, ram, zram, dm, md, nbd or sr), in
// natural order: sda, sdb, ..., sdz, sdaa; nvme0n1 before nvme1n1.
std::vector<WholeDisk> ListWholeDisks();

// Natural order of kernel names: digit runs compare as numbers; letter runs compare by their
// first letter, then a shorter run before a longer one (sdz before sdaa), then alphabetically.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace tundrel::platform
