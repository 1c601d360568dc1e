#pragma once
// Test disks made with the real tools: sfdisk for partition tables, mkfs.fat, mkntfs and
// mkfs.exfat for the volumes. Every disk is a sparse file in a temporary folder.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace tundrel::test {

// Whether every named tool can be run; tests skip themselves without them.
bool HaveTools(std::initializer_list<const char*> tools);

// A sparse file of `sectors` 512-byte sectors, partitioned by sfdisk from `script`.
bool MakePartitionedDisk(const std::filesystem::path& disk, std::uint64_t sectors, const std::string& script);

// Makes a volume of `sectors` sectors by running `commands` in order ("{}" stands for the
// volume file: "mkfs.fat -F 32 {}", "mmd -i {} ::DIR") and places it at sector `start` of `disk`.
bool FormatVolume(const std::filesystem::path& disk, std::uint64_t start, std::uint64_t sectors,
                  const std::vector<std::string>& commands);

// Zeroes one sector of a file in place; the damage a test inflicts.
void WipeSector(const std::filesystem::path& file, std::uint64_t sector);

}  // namespace tundrel::test
