#include "modes/all_scanners.h"

#include <array>

#include "disk/fs_type.h"
#include "exfat/exfat_scanner.h"
#include "fat/fat_scanner.h"
#include "ntfs/ntfs_scanner.h"
#include "scan/volume_scanner.h"

namespace tundrel {
namespace {

// One line per file-system scanner; a type missing here is reported as having no scanner.
constexpr ScannerEntry kScanners[] = {
    {kFsFat16, &MakeFatScanner}, {kFsFat32, &MakeFatScanner},
    {kFsNtfs, &MakeNtfsScanner},
    {kFsExFat, &MakeExFatScanner},
};

}  // namespace

ScannerTable AllScanners() { return kScanners; }

}  // namespace tundrel
