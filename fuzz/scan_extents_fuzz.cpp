// A whole scan of a committed test image with a few bytes changed, held in memory, then the
// extents of every node (directories opened on the way): none may lie past the volume (past
// the source, for a carved or lost file), nor hold more readable bytes than that area.
//
// Input: one byte choosing the image, one byte choosing the scan mode, then patches of five
// bytes each: a little-endian offset (taken modulo the image's size) and the byte put there.

#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/sector_source.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "platform/device.h"
#include "scan/node_expansion.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "scan/size_bounds.h"
#include "scan/volume_scanner.h"
#include "support/settings.h"

using namespace tundrel;
using tundrel::test::MemoryDevice;

namespace {

constexpr std::array<const char*, 4> kImages = {"fat12", "exfat-512", "ntfs-initsize", "fat32-chk"};
constexpr std::uint32_t kModes[] = {kModeDeletedFiles, kModeFormattedVolume};
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxNodes = 20000;

std::vector<std::uint8_t> Unpacked(const std::string& name) {
    std::vector<std::uint8_t> bytes;
    const std::string path = std::string(TUNDREL_IMAGES_DIR) + "/" + name + ".img.gz";
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    std::array<std::uint8_t, 1 << 16> piece{};
    for (int got; (got = gzread(file, piece.data(), piece.size())) > 0;) bytes.insert(bytes.end(), piece.begin(), piece.begin() + got);
    gzclose(file);
    return bytes;
}

std::vector<std::uint8_t>& Image(std::size_t index) {
    static std::array<std::vector<std::uint8_t>, kImages.size()> images;
    if (images[index].empty()) {
        images[index] = Unpacked(kImages[index]);
        if (images[index].empty()) {
            std::fprintf(stderr, "cannot read %s.img.gz under %s\n", kImages[index], TUNDREL_IMAGES_DIR);
            std::abort();
        }
    }
    return images[index];
}

[[noreturn]] void Fail(const ScanNode& node, const char* what, std::uint64_t a, std::uint64_t b) {
    std::fprintf(stderr, "node at %u (size %llu, flags 0x%x): %s: %llu > %llu\n", node.location,
                 static_cast<unsigned long long>(node.size), node.flags, what, static_cast<unsigned long long>(a),
                 static_cast<unsigned long long>(b));
    std::abort();
}

class ExtentCheck {
public:
    explicit ExtentCheck(VolumeScanner& scanner) : scanner_(scanner) {}

    void Walk(ScanNode& directory, int depth) {
        if (depth > kMaxDepth) return;
        EnsureChildren(scanner_, directory);
        for (ScanNode& child : directory.children) {
            if (++visited_ > kMaxNodes) return;
            if (child.IsDirectory()) {
                Walk(child, depth + 1);
            } else {
                Check(child);
            }
        }
    }

private:
    void CheckRun(const ScanNode& node, std::uint64_t start, std::uint64_t count, std::uint64_t first, std::uint64_t end) {
        if (count == 0) return;
        if (start < first) Fail(node, "extent starts before its area", first, start);
        if (start + count < start || start + count > end) Fail(node, "extent ends past its area", start + count, end);
    }

    void Check(const ScanNode& node) {
        ExtentList extents;
        if (!scanner_.BuildExtents(node, extents)) return;
        const std::uint64_t sourceEnd = scanner_.source->totalSectors;
        const bool carved = node.Has(kFlagContiguous);
        const std::uint64_t first = carved ? 0 : scanner_.volumeStart;
        const std::uint64_t end = carved ? sourceEnd : scanner_.volumeStart + scanner_.SourcedVolumeSectors();
        std::uint64_t readable = 0;
        for (const FileExtent& extent : extents) {
            const std::uint64_t bytes = extent.sectorCount * 512;
            if (extent.zeroBytes >= bytes) continue;  // read as zeros, never from the disk
            CheckRun(node, extent.startSector, extent.sectorCount, first, end);
            readable += extent.sectorCount;
            for (const ExtentPiece& piece : extent.pieces) {
                CheckRun(node, piece.startSector, piece.sectorCount, first, end);
                readable += piece.sectorCount;
            }
        }
        if (readable > end - first) Fail(node, "extents hold more than their area", readable, end - first);
        const std::uint64_t written = std::min(node.size, scanner_.ExtentDataBytes(node, extents));
        if (SizeBeyondVolume(scanner_, node) && written > DataAreaBytes(scanner_, node) && !node.Has(kFlagCompressed)) {
            Fail(node, "an export would write more than the volume", written, DataAreaBytes(scanner_, node));
        }
    }

    VolumeScanner& scanner_;
    std::size_t visited_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::vector<std::uint8_t>& image = Image(data[0] % kImages.size());
    const std::uint32_t mode = kModes[data[1] % std::size(kModes)];
    std::vector<std::pair<std::size_t, std::uint8_t>> undo;
    for (std::size_t at = 2; at + 5 <= size && undo.size() < 64; at += 5) {
        const std::uint32_t offset = data[at] | data[at + 1] << 8 | data[at + 2] << 16 | std::uint32_t{data[at + 3]} << 24;
        const std::size_t place = offset % image.size();
        undo.emplace_back(place, image[place]);
        image[place] = data[at + 4];
    }

    {
        const std::span<const std::uint8_t> bytes(image);
        Settings settings;
        ScanProgress progress;
        ScanEnvironment environment{settings, progress, AllScanners(), nullptr};
        ScanTask task;
        task.sourceName = u"/fuzz/image.img";
        task.mode = mode;
        ScanContext context(environment, task);
        SectorSource source([bytes](const std::string&, int&) -> std::unique_ptr<platform::Device> {
            return std::make_unique<MemoryDevice>(bytes);
        });
        if (source.Open(task.sourceName)) {
            SelectedVolume& volume = context.volume;
            volume.sectorCount = static_cast<std::uint32_t>(source.totalSectors);
            volume.bootValid = source.ReadSectors(volume.bootSector, 0);
            volume.fsType = BootSectorType(AllFileSystems(), volume.bootSector);
            const ScannerEntry* entry = FindScanner(environment.scanners, volume.fsType);
            std::unique_ptr<VolumeScanner> scanner = entry != nullptr ? entry->make(context, volume.fsType) : nullptr;
            if (scanner) {
                scanner->source = scanner->readSource = &source;
                scanner->volumeSectors = volume.sectorCount;
                scanner->bootSector = volume.bootSector;
                scanner->bootLoaded = true;
                scanner->OnBootSectorLoaded();
                progress.taskMode = mode;
                scanner->Scan();
                ExtentCheck check(*scanner);
                for (ScanNode& root : scanner->roots.roots) check.Walk(root, 0);
            }
        }
    }
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) image[it->first] = it->second;
    return 0;
}
