#pragma once
// What the committed test images hold, from tests/images/<name>.manifest.json.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace tundrel::test {

// One file or folder of a manifest; paths are without the leading "/".
struct ManifestFile {
    std::string path;
    std::string tskPath;     // as The Sleuth Kit names it ("_" for a deleted entry's lost first character)
    std::string hardlinkOf;  // the file's first name, for a second one
    bool isDirectory = false, deleted = false, reusable = false, fragmented = false;
    bool noFatChain = false, resident = false, compressed = false;
    std::uint64_t size = 0;
    std::uint64_t lastCluster = 0;  // one past the last cluster of its data
    std::int64_t mtimeEpoch = 0;
    std::string md5;
    std::uint32_t firstCluster = 0;
    std::optional<std::uint32_t> record;       // The Sleuth Kit's inode (the MFT record on NTFS), when it reads the volume
    std::optional<std::uint64_t> validLength;  // data valid only to here: an initialized size or valid length patched below the size
};

// The whole manifest, for what the structs below do not carry.
nlohmann::json ManifestJson(const std::string& name);
// The files of volume `partition` (the manifest's index); with `highClusters` the volume's
// folders above cluster 65,535 instead.
std::vector<ManifestFile> LoadManifest(const std::string& name, unsigned partition = 0, bool highClusters = false);
// The files of the image's first volume of file system `fs` ("fat32", "ntfs", "exfat", ...).
std::vector<ManifestFile> ManifestFiles(const std::string& name, const std::string& fs = "exfat");
inline std::vector<ManifestFile> LoadNtfsManifest(const std::string& image = "ntfs") { return LoadManifest(image); }

// A file or folder of a volume the image held before it was reformatted, or lost its boot
// region or partition table ("formerVolumes").
struct FormerFile : ManifestFile {
    bool survived = false;          // its data (a FAT or exFAT folder: its clusters) is still where it was
    std::uint64_t firstSector = 0;  // of its data on the image; 0: it has no clusters
};
struct FormerVolume {
    std::string fs;
    std::uint64_t startSector = 0, sectorCount = 0;  // on the image
    std::uint32_t clusterBytes = 0;
    std::vector<FormerFile> files;
};
std::vector<FormerVolume> FormerVolumes(const std::string& image);

// A volume of the committed images, and what its scan can give back.
struct CommittedVolume {
    const char* image;
    const char* fs;
    unsigned partition;  // the manifest's index
    std::uint32_t startSector;
    bool deletedFolderContents = true;  // false: the files inside deleted folders are not found
};
inline constexpr CommittedVolume kCommittedVolumes[] = {
    {"fat16", "fat16", 0, 0},           {"fat32", "fat32", 0, 0},           {"exfat", "exfat", 0, 0},
    {"ntfs", "ntfs", 0, 0},             {"sample-disk", "fat32", 1, 2048, false},
    {"sample-disk", "ntfs", 5, 73728},  {"sample-disk", "exfat", 6, 108544},
};
// Volumes made for one NTFS feature each: 2 MiB clusters, data valid only to an initialized
// size, a deleted folder that lost its name, named streams ("file:stream").
inline constexpr CommittedVolume kNtfsFeatureVolumes[] = {
    {"ntfs-2m", "ntfs", 0, 0},
    {"ntfs-initsize", "ntfs", 0, 0},
    {"ntfs-nameless", "ntfs", 0, 0},
    {"ntfs-streams", "ntfs", 0, 0},
};
// A test name for the volume: image and partition.
std::string NameOf(const CommittedVolume& volume);
// Whether the file's data is to be read back: a live file, or a deleted one whose clusters are
// still free (NTFS keeps a deleted file's run list, so a fragmented one there too).
bool DataExpected(const CommittedVolume& volume, const ManifestFile& file);

// Where a deleted FAT file stands in our deleted root: TSK's "_" for a lost first character is "#".
std::string DeletedRootPath(const ManifestFile& file);

// The lines of tests/images/<listing>, The Sleuth Kit's `fls -r -p -l`, split at tabs: type,
// path, four times, size, ...
std::vector<std::vector<std::string>> FlsLines(const std::string& listing);

}  // namespace tundrel::test
