#include "modes/all_scanners.h"

#include <vector>

#include "exfat/exfat_file_system.h"
#include "fat/fat_file_system.h"
#include "modes/full_scanner.h"
#include "ntfs/ntfs_file_system.h"
#include "scan/volume_scanner.h"

namespace tundrel {
namespace {

// One line per file system; a type missing here is reported as having no scanner.
constexpr const FileSystemEntry* kFileSystems[] = {&kNtfsFileSystem, &kExFatFileSystem, &kFatFileSystem};

// RAW, a volume of no file system the engine reads, is the full scan's.
std::vector<ScannerEntry> ScannersOf(FileSystemTable fileSystems) {
    std::vector<ScannerEntry> scanners{{kFsRaw, MakeFullScanner}};
    for (const FileSystemEntry* fileSystem : fileSystems) {
        for (const std::uint32_t fsType : fileSystem->fsTypes) {
            if (fsType != kFsRaw && fileSystem->makeScanner != nullptr) scanners.push_back({fsType, fileSystem->makeScanner});
        }
    }
    return scanners;
}

}  // namespace

FileSystemTable AllFileSystems() { return kFileSystems; }

ScannerTable AllScanners() {
    static const std::vector<ScannerEntry> scanners = ScannersOf(AllFileSystems());
    return scanners;
}

}  // namespace tundrel
