#pragma once
// Scans of image files made as a scan run makes them: the engine's scanner table, the task's
// boot sector handed over, then the scan; and a node's data read back through the scanner.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "disk/fs_type.h"
#include "exfat/exfat_scanner.h"
#include "fat/fat_scanner.h"
#include "ntfs/ntfs_scanner.h"
#include "platform/device.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "support/settings.h"

namespace tundrel::test {

struct ScanSetup {
    std::uint32_t mode = kModeDeletedFiles;
    std::uint32_t volumeStart = 0;
    std::uint32_t volumeSectors = 0;  // 0: to the end of the source
    bool passBootSector = true;       // the task carries the boot sector, as the front ends' do
    bool stopRequested = false;       // the user asked to stop before the scan began
    platform::DeviceOpener opener = {};  // unset: the real files
    ScanOptions options{};
    std::function<void(Settings&)> chooseSettings = {};  // run on the settings before the scan
    std::uint32_t taskCount = 1;                 // tasks in the run
    SelectionPrompt* selectionPrompt = nullptr;  // asked by a full scan with nothing selected
};

class ScanOfImage {
public:
    // `fsType` serves when the boot sector is not handed over or names no file system.
    ScanOfImage(const std::filesystem::path& image, const ScanSetup& setup, std::uint32_t fsType);
    ~ScanOfImage();

    Settings settings;
    ScanProgress progress;
    std::unique_ptr<ScanEnvironment> environment;
    std::unique_ptr<SectorSource> source;  // the source read through the setup's opener
    std::unique_ptr<ScanContext> context;

protected:
    VolumeScanner* made_ = nullptr;
};

template <class Scanner, std::uint32_t FsType>
class ImageScanOf : public ScanOfImage {
public:
    explicit ImageScanOf(const std::filesystem::path& image, ScanSetup setup = {})
        : ScanOfImage(image, setup, FsType), scanner(dynamic_cast<Scanner*>(made_)) {}
    ScanNode& Root(RootIndex index) { return scanner->roots[index]; }

    Scanner* scanner;
};

using ImageScan = ImageScanOf<FatScanner, kFsFat32>;
using ExFatScan = ImageScanOf<ExFatScanner, kFsExFat>;
using NtfsImageScan = ImageScanOf<NtfsScanner, kFsNtfs>;

// The node's data through BuildExtents and ReadNodeData, in 64 KiB pieces; nothing when either fails.
std::optional<std::vector<std::uint8_t>> ReadNodeBytes(VolumeScanner& scanner, const ScanNode& node);

}  // namespace tundrel::test
