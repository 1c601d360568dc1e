// The full scan over small disks in memory made of sectors of the committed images: what its
// sweep keeps, what it rebuilds, when it asks and when other scanners hand a volume to it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

#include "image_scan.h"
#include "manifest.h"
#include "md5.h"
#include "fault_device.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "modes/free_areas.h"
#include "modes/full_scan_sweep.h"
#include "modes/full_scanner.h"
#include "node_find.h"
#include "support/byte_reader.h"
#include "test_support.h"

namespace tundrel {
namespace {

constexpr std::size_t kSector = 512;

using FullScan = test::ImageScanOf<FullScanner, kFsRaw>;

std::vector<std::uint8_t> Sectors(const std::vector<std::uint8_t>& image, std::size_t first, std::size_t count) {
    return {image.begin() + static_cast<std::ptrdiff_t>(first * kSector),
            image.begin() + static_cast<std::ptrdiff_t>((first + count) * kSector)};
}

void Put(std::vector<std::uint8_t>& disk, std::size_t sector, const std::vector<std::uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), disk.begin() + static_cast<std::ptrdiff_t>(sector * kSector));
}

// The $MFT's own record, the first of the committed NTFS volume's MFT.
std::vector<std::uint8_t> MftRecordZero() {
    const std::vector<std::uint8_t> image = test::ImageBytes("ntfs");
    for (std::size_t sector = 1; sector * kSector < image.size(); ++sector) {
        if (std::memcmp(&image[sector * kSector], "FILE", 4) == 0) return Sectors(image, sector, 2);
    }
    return {};
}

class Declining final : public SelectionPrompt {
public:
    bool AskForSelection(const std::u16string& message) override {
        asked.push_back(message);
        return false;
    }
    std::vector<std::u16string> asked;
};

struct MemoryScan {
    std::vector<std::uint8_t> disk;
    std::vector<std::uint64_t> reads;

    test::ScanSetup Setup(std::uint32_t mode = kModeFullScan) {
        test::ScanSetup setup;
        setup.mode = mode;
        setup.passBootSector = false;
        setup.opener = [this](const std::string&, int&) {
            return std::make_unique<test::MemoryDevice>(disk, 0, std::nullopt, &reads);
        };
        setup.chooseSettings = [](Settings& settings) { settings.carveTypes.fill(false); };
        return setup;
    }
};

// With nothing to look for the front end is asked before anything is read; a declined question
// ends the scan. Otherwise the sweep reads its area alone, from the volume start on.
TEST(FullScanTest, TheSweepAsksFirstWhenNothingIsSelectedAndReadsOnlyItsArea) {
    for (const bool selected : {false, true}) {
        MemoryScan memory{std::vector<std::uint8_t>(4096 * kSector), {}};
        Declining prompt;
        test::ScanSetup setup = memory.Setup();
        setup.selectionPrompt = &prompt;
        setup.volumeStart = 1000;
        setup.volumeSectors = 1500;
        setup.chooseSettings = [selected](Settings& settings) {
            settings.carveTypes.fill(false);
            settings.fullScanFat = settings.fullScanNtfs = settings.fullScanExFat = selected;
        };
        const FullScan scan("memory", setup);
        EXPECT_EQ(prompt.asked, selected ? std::vector<std::u16string>{}
                                         : std::vector{Text16(StringId::NothingSelectedForFullScan)});
        ASSERT_EQ(memory.reads.empty(), !selected);
        if (selected) {
            EXPECT_EQ(*std::ranges::min_element(memory.reads), 1000 * kSector);
            EXPECT_LT(*std::ranges::max_element(memory.reads), 2500 * kSector);
        }
    }
}

// A file record is taken only when both update-sequence places agree, also when its two
// sectors lie in two pieces of the sweep.
TEST(FullScanTest, FileRecordsWhoseSequencePlacesDifferAreIgnored) {
    const std::vector<std::uint8_t> record = MftRecordZero();
    ASSERT_EQ(record.size(), 2 * kSector);
    struct Case {
        std::size_t sector;
        bool damaged;
        std::size_t kept;
    };
    for (const Case& c : {Case{10, false, 1}, Case{10, true, 0}, Case{FullScanner::kPieceSectors - 1, false, 1},
                          Case{FullScanner::kPieceSectors - 1, true, 0}}) {
        std::vector<std::uint8_t> disk(2 * FullScanner::kPieceSectors * kSector);
        Put(disk, c.sector, record);
        if (c.damaged) disk[c.sector * kSector + 1022] ^= 0xFF;
        FullScanCandidates candidates;
        FullScanSweep sweep({}, candidates, nullptr);
        for (std::size_t piece = 0; piece < 2; ++piece) {
            const std::size_t bytes = FullScanner::kPieceSectors * kSector;
            sweep.Examine(std::span(disk).subspan(piece * bytes, bytes), piece * FullScanner::kPieceSectors);
        }
        SCOPED_TRACE(testing::Message() << "record at " << c.sector << (c.damaged ? ", damaged" : ""));
        ASSERT_EQ(candidates.looseRecords.items.size(), c.kept);
        ASSERT_EQ(candidates.mftRecords.items.size(), c.kept);
        if (c.kept == 0) continue;
        EXPECT_EQ(candidates.looseRecords.items[0].location, c.sector);
        EXPECT_EQ(std::u16string(candidates.looseRecords.items[0].name), u"$MFT");
        EXPECT_FALSE(candidates.mftRecords.items[0].mirror);
    }
}

// The backup boot region of an exFAT volume lies 12 sectors after the main one.
TEST(FullScanTest, AnExFatBootRecordAndItsCopyTwelveSectorsOnAreOneCandidate) {
    const std::vector<std::uint8_t> boot = Sectors(test::ImageBytes("exfat"), 0, 1);
    struct Case {
        std::size_t second;
        std::vector<std::uint64_t> kept;
    };
    for (const Case& c : {Case{112, {100}}, Case{103, {100, 103}}, Case{113, {100, 113}}}) {
        std::vector<std::uint8_t> disk(256 * kSector);
        Put(disk, 100, boot);
        Put(disk, c.second, boot);
        FullScanCandidates candidates;
        FullScanSweep sweep({}, candidates, nullptr);
        sweep.Examine(disk, 0);
        std::vector<std::uint64_t> kept;
        for (const SectorCopy& copy : candidates.exfatBoots.items) kept.push_back(copy.sector);
        EXPECT_EQ(kept, c.kept) << "copy at " << c.second;
    }
}

// A boot record alone describes a volume with nothing in it: no volume is shown for it. With
// its volume behind it, the volume is rebuilt and shown beside the full scan's own.
TEST(FullScanTest, OnlyRebuiltVolumesThatHoldSomethingAreShown) {
    const std::vector<std::uint8_t> image = test::ImageBytes("exfat");
    for (const bool whole : {false, true}) {
        MemoryScan memory{whole ? image : std::vector<std::uint8_t>(image.size()), {}};
        if (!whole) Put(memory.disk, 0, Sectors(image, 0, 1));
        FullScan scan("memory", memory.Setup());
        ASSERT_EQ(scan.context->scanners.size(), whole ? 2u : 1u) << (whole ? "whole volume" : "boot record alone");
        if (whole) {
            EXPECT_EQ(scan.context->scanners[1]->fsType, kFsExFat);
        }
    }
}

TEST(FullScanTest, AStopDuringTheSweepStillRebuildsWhatItGatheredAndStaysAStop) {
    Settings settings;
    settings.carveTypes.fill(false);
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, AllScanners(), nullptr};
    ScanContext context(environment, ScanTask{});
    test::FaultMachine machine;
    // An MFT record after the volume: the sweep meets it only when it is not stopped.
    std::vector<std::uint8_t> disk = test::ImageBytes("exfat");
    const std::vector<std::uint8_t> record = MftRecordZero();
    disk.insert(disk.end(), record.begin(), record.end());
    machine.Plug("/dev/sdx", test::FaultDisk(disk, platform::SourceKind::Image));
    int reads = 0;
    machine.OnRead([&] {
        if (++reads == 40) progress.RequestStop();  // 2.5 MiB into the sweep of 16 MiB
    });
    SectorSource source(machine.Opener());
    ASSERT_TRUE(source.Open(u"/dev/sdx"));
    FullScanner scanner(context);
    scanner.source = scanner.readSource = &source;
    scanner.Scan();
    EXPECT_TRUE(progress.StopRequested());
    EXPECT_TRUE(scanner.roots[RootIndex::Scanned].children.empty());
    ASSERT_EQ(context.scanners.size(), 1u);
    // The rebuilt volume's walk went down its folders, under the stop word of its own.
    EXPECT_NE(test::FindPath(context.scanners[0]->roots[RootIndex::Root], "Docs/Work/2024/plan.txt"), nullptr);
}

// The committed exFAT volume with its main boot region zeroed comes back from the backup.
TEST(FullScanTest, AnExFatVolumeWithoutItsMainBootRegionIsRebuiltFromTheBackup) {
    if (!std::filesystem::exists(std::filesystem::path(TUNDREL_TEST_DATA_DIR) / "images" / "exfat-noboot.img.gz")) {
        GTEST_SKIP() << "exfat-noboot is not among the images yet";
    }
    test::ScanSetup setup;
    setup.mode = kModeFullScan;
    setup.passBootSector = false;
    setup.chooseSettings = [](Settings& settings) { settings.carveTypes.fill(false); };
    FullScan scan(test::TestImage("exfat-noboot"), setup);
    ASSERT_EQ(scan.context->scanners.size(), 2u);
    VolumeScanner& rebuilt = *scan.context->scanners[1];
    EXPECT_EQ(rebuilt.volumeStart, 0u);
    const auto former = test::FormerVolumes("exfat-noboot");
    ASSERT_EQ(former.size(), 1u);
    int live = 0;
    for (const test::FormerFile& file : former[0].files) {
        if (file.deleted) continue;
        const ScanNode* node = test::FindPath(rebuilt.roots[RootIndex::Root], file.path);
        ASSERT_NE(node, nullptr) << file.path;
        if (!file.isDirectory) {
            EXPECT_EQ(node->size, file.size) << file.path;
            const auto bytes = test::ReadNodeBytes(rebuilt, *node);
            ASSERT_TRUE(bytes) << file.path;
            EXPECT_EQ(test::Md5Hex(*bytes), file.md5) << file.path;
        }
        ++live;
    }
    EXPECT_GT(live, 2);
}

// A volume whose boot record is unusable goes to the full scan only in the full-scan mode,
// with the task's fallback word, for a run of one task (FAT, exFAT) that was not stopped; the
// scanners the full scan builds never fall back again, so one full scan is all there is.
TEST(FullScanTest, UnusableVolumesFallBackToOneFullScan) {
    const std::vector<std::uint8_t> exfat = test::ImageBytes("exfat");
    std::vector<std::uint8_t> exfatNoBoot = exfat;
    std::fill_n(exfatNoBoot.begin(), 12 * kSector, 0);
    // A boot record whose volume runs far past the disk's end: its rebuilt scanner fails.
    std::vector<std::uint8_t> bootAtEnd(200 * kSector);
    Put(bootAtEnd, 190, Sectors(exfat, 0, 1));
    std::vector<std::uint8_t> ntfsNoBoot = test::ImageBytes("ntfs");
    std::fill_n(ntfsNoBoot.begin(), kSector, 0);
    std::fill_n(ntfsNoBoot.end() - kSector, kSector, 0);  // the backup boot record too
    std::vector<std::uint8_t> fatNoBoot = test::ImageBytes("fat32");
    std::fill_n(fatNoBoot.begin(), kSector, 0);
    struct Case {
        const char* what;
        const std::vector<std::uint8_t>* bytes;
        std::uint32_t fsType, mode, word, tasks;
        bool stopped;
        std::vector<std::uint32_t> types;  // the first scanners of the context, in order
        bool fallsBack;
    };
    const Case cases[] = {
        {"exFAT", &exfatNoBoot, kFsExFat, kModeFullScan, 1, 1, false, {kFsExFat, kFsRaw, kFsExFat}, true},
        {"exFAT, deleted-file mode", &exfatNoBoot, kFsExFat, kModeDeletedFiles, 1, 1, false, {kFsExFat}, false},
        {"exFAT, word 0", &exfatNoBoot, kFsExFat, kModeFullScan, 0, 1, false, {kFsExFat}, false},
        {"exFAT, two tasks", &exfatNoBoot, kFsExFat, kModeFullScan, 1, 2, false, {kFsExFat}, false},
        {"exFAT, stopped", &exfatNoBoot, kFsExFat, kModeFullScan, 1, 1, true, {kFsExFat}, false},
        {"exFAT, usable", &exfat, kFsExFat, kModeFullScan, 1, 1, false, {kFsExFat}, false},
        {"rebuilt volume unusable", &bootAtEnd, kFsRaw, kModeFullScan, 1, 1, false, {kFsRaw}, true},
        {"NTFS, two tasks", &ntfsNoBoot, kFsNtfs, kModeFullScan, 1, 2, false, {kFsNtfs, kFsRaw}, true},
        {"FAT32", &fatNoBoot, kFsFat32, kModeFullScan, 1, 1, false, {kFsFat32, kFsRaw}, true},
    };
    for (const Case& c : cases) {
        MemoryScan memory{*c.bytes, {}};
        test::ScanSetup setup = memory.Setup(c.mode);
        setup.options[kOptionFullScanFallback] = c.word;
        setup.taskCount = c.tasks;
        setup.stopRequested = c.stopped;
        const test::ScanOfImage scan("memory", setup, c.fsType);
        std::vector<std::uint32_t> types;
        for (const auto& scanner : scan.context->scanners) types.push_back(scanner->fsType);
        ASSERT_GE(types.size(), c.types.size()) << c.what;
        EXPECT_TRUE(std::equal(c.types.begin(), c.types.end(), types.begin())) << c.what;
        EXPECT_EQ(std::ranges::count(types, kFsRaw), c.fallsBack || c.fsType == kFsRaw ? 1 : 0) << c.what;
        if (!c.fallsBack) {
            EXPECT_EQ(types.size(), c.types.size()) << c.what;
        }
    }
}

// The unallocated blocks The Sleuth Kit lists (`blkls -l`), as areas of sectors; nothing when
// it is not installed.
std::vector<SectorArea> SleuthKitFreeAreas(const std::filesystem::path& image) {
    const std::string quoted = "'" + image.string() + "'";
    std::istringstream lines(test::CommandOutput("blkls -l " + quoted + " 2>/dev/null"));
    const std::string stat = test::CommandOutput("fsstat " + quoted + " 2>/dev/null");
    std::uint64_t blockSectors = 1;
    std::vector<SectorArea> areas;
    for (std::string line; std::getline(lines, line);) {
        if (line.ends_with("|Cluster")) {
            const std::size_t at = stat.find("Cluster Size: ");
            if (at != std::string::npos) blockSectors = std::stoull(stat.substr(at + 14)) / kSector;
        }
        if (line.empty() || !std::isdigit(static_cast<unsigned char>(line[0]))) continue;
        const std::uint64_t sector = std::stoull(line) * blockSectors;
        if (!areas.empty() && areas.back().End() == sector) {
            areas.back().sectors += blockSectors;
        } else {
            areas.push_back({sector, blockSectors});
        }
    }
    return areas;
}

// Damage: the allocation bitmap's entry in the exFAT root folder changed into another type.
void DropExFatBitmapEntry(std::vector<std::uint8_t>& disk) {
    const ByteReader boot(disk);
    const std::uint64_t root = (boot.U32(88) + ((boot.U32(96) - 2ull) << boot.U8(109))) * kSector;
    for (std::size_t entry = 0; entry < 16; ++entry) {
        if (disk[root + entry * 32] == 0x81) disk[root + entry * 32] = 0x01;
    }
}

FreeAreas FreeAreasOf(const std::vector<std::uint8_t>& disk) {
    SectorSource source([&disk](const std::string&, int&) { return std::make_unique<test::MemoryDevice>(disk); });
    if (!source.Open(u"memory")) return {};
    return FindFreeAreas(source, 0, source.totalSectors, AllFileSystems());
}

// The free clusters of each committed volume are those The Sleuth Kit calls unallocated.
TEST(FreeAreasTest, AreTheUnallocatedClustersOfTheSleuthKit) {
    for (const char* name : {"fat16", "fat32", "ntfs", "exfat"}) {
        SCOPED_TRACE(name);
        const std::vector<SectorArea> oracle = SleuthKitFreeAreas(test::TestImage(name));
        if (oracle.empty()) GTEST_SKIP() << "The Sleuth Kit's blkls is not installed";
        const FreeAreas found = FreeAreasOf(test::ImageBytes(name));
        EXPECT_FALSE(found.wholeVolume);
        EXPECT_EQ(found.areas, oracle);
    }
}

// Allocation data that cannot be used gives the whole volume as one area.
TEST(FreeAreasTest, UnusableAllocationDataGivesTheWholeVolume) {
    auto patchNtfsBitmapRecord = [](std::vector<std::uint8_t>& disk) {
        const ByteReader boot(disk);
        const std::uint64_t mft = boot.U64(0x30) * boot.U8(13) * kSector;
        std::fill_n(disk.begin() + static_cast<std::ptrdiff_t>(mft + 6 * 1024), 4, 0);  // record 6, $Bitmap: "FILE" gone
    };
    auto zeroBootSector = [](std::vector<std::uint8_t>& disk) { std::fill_n(disk.begin(), kSector, 0); };
    const std::pair<const char*, std::function<void(std::vector<std::uint8_t>&)>> cases[] = {
        {"ntfs", patchNtfsBitmapRecord}, {"exfat", DropExFatBitmapEntry}, {"fat32", zeroBootSector}};
    for (const auto& [name, damage] : cases) {
        std::vector<std::uint8_t> disk = test::ImageBytes(name);
        damage(disk);
        const FreeAreas found = FreeAreasOf(disk);
        EXPECT_TRUE(found.wholeVolume) << name;
        const std::vector<SectorArea> whole{{0, disk.size() / kSector}};
        EXPECT_EQ(found.areas, whole) << name;
    }
}

// On a volume source in the formatted mode only the free clusters are swept: the exFAT volume's
// boot records lie in none, so it is not rebuilt; anywhere else the whole area is swept, and so
// is the volume whose allocation bitmap cannot be found, with a note.
TEST(FullScanTest, AFormattedVolumeSourceHasOnlyItsFreeClustersSwept) {
    std::vector<std::uint8_t> noBitmap = test::ImageBytes("exfat");
    DropExFatBitmapEntry(noBitmap);
    struct Case {
        const char* what;
        bool intactBitmap;
        platform::SourceKind kind;
        std::uint32_t mode, volumeSectors;
        std::size_t scanners, notes;
    };
    const Case cases[] = {
        {"formatted volume", true, platform::SourceKind::Volume, kModeFormattedVolume, 0, 1, 0},
        {"formatted image", true, platform::SourceKind::Image, kModeFormattedVolume, 0, 2, 0},
        {"full scan of the volume", true, platform::SourceKind::Volume, kModeFullScan, 0, 2, 0},
        {"range of the volume", true, platform::SourceKind::Volume, kModeFormattedVolume, 100, 2, 0},
        {"no allocation bitmap", false, platform::SourceKind::Volume, kModeFormattedVolume, 0, 2, 1},
    };
    for (const Case& c : cases) {
        test::FaultMachine machine;
        machine.Plug("/dev/sdx", test::FaultDisk(c.intactBitmap ? test::ImageBytes("exfat") : noBitmap, c.kind));
        test::ScanSetup setup;
        setup.mode = c.mode;
        setup.passBootSector = false;
        setup.volumeSectors = c.volumeSectors;
        setup.opener = machine.Opener();
        setup.chooseSettings = [](Settings& settings) { settings.carveTypes.fill(false); };
        const FullScan scan("/dev/sdx", setup);
        EXPECT_EQ(scan.context->scanners.size(), c.scanners) << c.what;
        EXPECT_EQ(scan.context->notes.size(), c.notes) << c.what;
    }
}

}  // namespace
}  // namespace tundrel
