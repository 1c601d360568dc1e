#pragma once
// FAT volumes and directory entries built byte by byte, for the FAT tests.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "image_scan.h"
#include "manifest.h"
#include "node_find.h"
#include "test_support.h"

namespace tundrel::test {

enum class FatKind { Fat16, Fat32 };

// Laid out as mkfs.fat lays one out: 1 (FAT16) or 32 (FAT32) reserved sectors, the FATs, the
// FAT16 root region (512 entries), then the clusters; the FAT32 root directory is cluster 2.
class FatVolumeBuilder {
public:
    explicit FatVolumeBuilder(FatKind kind, std::uint32_t totalSectors = 8192, std::uint8_t sectorsPerCluster = 1,
                              std::uint8_t fatCount = 2);
    void SetFat(std::uint32_t cluster, std::uint32_t value);  // in every copy
    void Chain(std::initializer_list<std::uint32_t> clusters);
    std::span<std::uint8_t> Cluster(std::uint32_t cluster);
    std::span<std::uint8_t> Root();
    std::filesystem::path Write(const std::filesystem::path& file) const;

    std::vector<std::uint8_t> bytes;
    std::uint32_t fatSectors = 0;
    std::uint32_t dataStart = 0;

private:
    FatKind kind_;
    std::uint8_t sectorsPerCluster_;
    std::uint8_t fatCount_;
    std::uint32_t reserved_;
};

struct EntryLayout {
    std::string shortName = "FILE    TXT";  // the 11 bytes
    std::uint8_t attributes = 0x20;
    std::uint32_t cluster = 0;
    std::uint32_t size = 0;
    std::uint16_t modifiedDate = 0x56C1;  // 2023-06-01
    std::uint8_t caseFlags = 0;
};
void PutEntry(std::span<std::uint8_t> directory, std::size_t index, const EntryLayout& layout);
// The long-name entries of `name`, just before the short entry at `shortIndex`.
void PutLongName(std::span<std::uint8_t> directory, std::size_t shortIndex, std::u16string_view name,
                 std::uint8_t checksum, bool deleted = false);
void PutDotEntries(std::span<std::uint8_t> directory, std::uint32_t self);
std::uint8_t ChecksumOf(const std::string& shortName);

}  // namespace tundrel::test
