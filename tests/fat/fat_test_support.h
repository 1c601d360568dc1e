#pragma once
// FAT volumes built byte by byte, scans of image files, and the committed images' manifests.

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fat/fat_scanner.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "support/settings.h"

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

struct ScanSetup {
    std::uint32_t mode = kModeDeletedFiles;
    std::uint32_t volumeStart = 0;
    std::uint32_t volumeSectors = 0;  // 0: to the end of the source
    bool passBootSector = true;       // the task carries the boot sector, as the front ends' do
};

// A scan of an image file through the scanner factory, as a scan run makes it.
struct ImageScan {
    explicit ImageScan(const std::filesystem::path& image, ScanSetup setup = {});
    ScanNode& Root(RootIndex index) { return scanner->roots[index]; }

    Settings settings;
    ScanProgress progress;
    std::unique_ptr<ScanEnvironment> environment;
    std::unique_ptr<ScanContext> context;
    FatScanner* scanner = nullptr;
};

std::vector<std::u16string> NamesOf(const ScanNode& directory);
// A "/"-separated UTF-8 path below `root`; null when it is not there.
ScanNode* FindPath(const ScanNode& root, std::string_view path);
// The node's data through BuildExtents and ReadNodeData; nothing when either fails.
std::optional<std::vector<std::uint8_t>> ReadNodeBytes(VolumeScanner& scanner, const ScanNode& node);

struct ManifestFile {
    std::string path;     // without the leading "/"
    std::string tskPath;  // without the leading "/"
    bool isDirectory = false, deleted = false, reusable = false, fragmented = false;
    std::uint64_t size = 0;
    std::uint64_t lastCluster = 0;  // one past the last cluster of its data
    std::string md5;
    std::uint32_t firstCluster = 0;
};
// The files of tests/images/<name>.manifest.json, volume `partition`; with `highClusters`
// the volume's folders above cluster 65,535 instead.
std::vector<ManifestFile> LoadManifest(const std::string& name, unsigned partition = 0, bool highClusters = false);
// Where a deleted file stands in our deleted root: TSK's "_" for a lost first character is "#".
std::string DeletedRootPath(const ManifestFile& file);

// A writable copy of a committed image, for tests that damage it.
std::filesystem::path CopyOfImage(const std::string& name, const std::filesystem::path& directory);
void PatchFile(const std::filesystem::path& file, std::uint64_t offset, std::vector<std::uint8_t> bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& file, std::uint64_t offset, std::size_t length);

}  // namespace tundrel::test
