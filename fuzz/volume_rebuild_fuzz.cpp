// The rebuilding of NTFS and FAT volumes over a small disk held in memory, from candidate
// tables gathered from it as the full scan's sweep gathers them (every marked sector taken as
// both an NTFS and a FAT boot record), then every node found turned into extents and read.
// The first byte picks the free-area case, which adds the volume-start vote.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "disk/sector_source.h"
#include "fat/directory_block.h"
#include "fat/directory_entry.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "modes/volume_rebuild.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/mft_record_parse.h"
#include "scan/scan_progress.h"
#include "support/settings.h"
#include "read_every_file.h"

using namespace tundrel;
using tundrel::test::MemoryDevice;

namespace {

constexpr std::size_t kLargestDisk = 2 * 1024 * 1024;

void Gather(std::span<const std::uint8_t> disk, FullScanCandidates& candidates) {
    for (std::size_t at = 0; at + 512 <= disk.size(); at += 512) {
        const std::span<const std::uint8_t> sector = disk.subspan(at, 512);
        SectorCopy copy{at / 512, {}};
        std::copy(sector.begin(), sector.end(), copy.bytes.begin());
        if (sector[510] == 0x55 && sector[511] == 0xAA) {
            candidates.ntfsBoots.Add(copy);
            candidates.fatBoots.Add(copy);
        }
        if (sector[0] == 0xF8 && sector[1] == 0xFF && sector[2] == 0xFF) {
            candidates.fatTables.Add({copy.sector, 16});
            candidates.fatTables.Add({copy.sector, 32});
        }
        if (BeginsWithDotEntries(sector) || IsFatDirectoryBlock(sector, 16, {})) candidates.fatDirectories.Add(copy);
        if (at + 1024 > disk.size() || !HasFileSignature(sector) || disk[at + 510] != disk[at + 1022] ||
            disk[at + 511] != disk[at + 1023]) {
            continue;
        }
        std::vector<std::uint8_t> record(disk.begin() + static_cast<std::ptrdiff_t>(at),
                                         disk.begin() + static_cast<std::ptrdiff_t>(at + 1024));
        ScanNode node;
        ParseMftRecord(record, node, candidates.names);
        if (node.name == nullptr) continue;
        node.location = static_cast<std::uint32_t>(copy.sector);
        candidates.looseRecords.Add(node);
        const std::u16string_view name(node.name);
        if (name == u"$MFT" || name == u"$MFTMirr") {
            MftCandidate mft{copy.sector, name == u"$MFTMirr", {}};
            std::copy(disk.begin() + static_cast<std::ptrdiff_t>(at), disk.begin() + static_cast<std::ptrdiff_t>(at + 1024),
                      mft.record.begin());
            candidates.mftRecords.Add(mft);
        }
    }
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > kLargestDisk) return 0;
    const bool freeAreaCase = (data[0] & 1) != 0;
    const std::span<const std::uint8_t> disk(data + 1, size - 1);
    Settings settings;
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, AllScanners(), nullptr};
    ScanTask task;
    task.sourceName = u"/fuzz/disk.img";
    task.mode = kModeFullScan;
    ScanContext context(environment, task);
    SectorSource source([disk](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<MemoryDevice>(disk);
    });
    if (!source.Open(task.sourceName)) return 0;

    FullScanCandidates candidates;
    Gather(disk, candidates);
    const std::atomic<std::uint32_t> stop{0};
    const RebuildSetting setting{context, source, source.totalSectors, freeAreaCase, 0, stop};
    NtfsRebuild ntfs = RebuildNtfsVolumes(setting, candidates);
    std::vector<std::unique_ptr<VolumeScanner>> fat = RebuildFatVolumes(setting, candidates);
    ScanNode lost;
    NamePool names;
    FileUnclaimedRecords(lost, std::move(ntfs.unclaimedRecords), names, stop);

    std::vector<std::uint8_t> buffer;
    for (auto* scanners : {&ntfs.scanners, &fat}) {
        for (const auto& scanner : *scanners) {
            if (scanner->volumeStart >= source.totalSectors && source.totalSectors != 0) __builtin_trap();
            for (const ScanNode& root : scanner->roots.roots) fuzz::ReadEveryFile(*scanner, root, buffer);
        }
    }
    return 0;
}
