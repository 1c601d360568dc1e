// Volumes rebuilt from what a sweep of the disk found: the votes that place an NTFS volume
// without a boot record, the pairing of boot records with MFT records, the cut to the source,
// and FAT volumes rebuilt from their directory clusters alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "fat/directory_block.h"
#include "fat/directory_entry.h"
#include "image_scan.h"
#include "manifest.h"
#include "md5.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "modes/ntfs_rebuild_votes.h"
#include "modes/volume_rebuild.h"
#include "node_find.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/mft_record_parse.h"
#include "support/byte_reader.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

ScanTask FullScanTask() {
    ScanTask task;
    task.mode = kModeFullScan;
    return task;
}

class VolumeRebuildTest : public ::testing::Test {
protected:
    // The disk: `bytes` at `firstSector`, `totalSectors` long (0: to the end of the bytes).
    void Place(std::vector<std::uint8_t> bytes, std::uint64_t firstSector = 0, std::uint64_t totalSectors = 0) {
        image = std::move(bytes);
        const std::uint64_t total = totalSectors != 0 ? totalSectors * 512 : firstSector * 512 + image.size();
        source = std::make_unique<SectorSource>([this, firstSector, total](const std::string&, int&) {
            return std::make_unique<test::MemoryDevice>(image, firstSector * 512, total);
        });
        ASSERT_TRUE(source->Open(u"memory"));
    }

    RebuildSetting Setting() { return {context, *source, source->totalSectors, false, 0, stop}; }

    // What the sweep keeps of the image placed at `firstSector`: boot records, MFT records and
    // FAT directory sectors.
    void Sweep(std::uint64_t firstSector) {
        for (std::size_t at = 0; at + 512 <= image.size(); at += 512) {
            const std::span<const std::uint8_t> sector(image.data() + at, 512);
            const std::uint64_t number = firstSector + at / 512;
            SectorCopy copy{number, {}};
            std::copy(sector.begin(), sector.end(), copy.bytes.begin());
            if (std::string_view(reinterpret_cast<const char*>(sector.data()) + 3, 8) == "NTFS    " && sector[510] == 0x55) {
                candidates.ntfsBoots.Add(copy);
            } else if (BeginsWithDotEntries(sector) || IsFatDirectoryBlock(sector, 16, {})) {
                candidates.fatDirectories.Add(copy);
            }
            if (at + 1024 > image.size() || !HasFileSignature(sector) || image[at + 510] != image[at + 1022]) continue;
            std::vector<std::uint8_t> record(image.begin() + static_cast<std::ptrdiff_t>(at),
                                             image.begin() + static_cast<std::ptrdiff_t>(at + 1024));
            const std::vector<std::uint8_t> kept = record;
            ScanNode node;
            ParseMftRecord(record, node, candidates.names);
            if (node.name == nullptr) continue;
            node.location = static_cast<std::uint32_t>(number);
            candidates.looseRecords.Add(node);
            const std::u16string_view name(node.name);
            if (name == u"$MFT" || name == u"$MFTMirr") {
                MftCandidate mft{number, name == u"$MFTMirr", {}};
                std::copy(kept.begin(), kept.end(), mft.record.begin());
                candidates.mftRecords.Add(mft);
            }
        }
    }

    Settings settings;
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, AllScanners(), nullptr};
    ScanContext context{environment, FullScanTask()};
    std::vector<std::uint8_t> image;
    std::unique_ptr<SectorSource> source;
    std::atomic<std::uint32_t> stop{0};
    FullScanCandidates candidates;
};

TEST_F(VolumeRebuildTest, VolumeStartNeedsMoreThan200ConfirmedRecordsNearTheSourceStart) {
    struct Case {
        std::uint32_t voters;
        std::int64_t start;
        bool confirmed;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {201, 0, true, 0},       {200, 0, true, std::nullopt},         {201, 16'130, true, 16'130},
        {201, -16'130, true, -16'130}, {201, 16'131, true, std::nullopt}, {400, 40, false, std::nullopt},
    };
    for (const Case& c : cases) {
        std::vector<ScanNode> records;
        // Records numbered 200 on, where the usual layout puts them; the last 250 only confirm.
        for (std::uint32_t number = 200; number < 200 + c.voters + 250; ++number) {
            if (!c.confirmed && number >= 450) break;
            ScanNode record;
            record.recordNumber = number;
            record.location = static_cast<std::uint32_t>(c.start + static_cast<std::int64_t>(kUsualMftSector) + 2 * number);
            records.push_back(record);
        }
        EXPECT_EQ(VoteVolumeStart(records, stop), c.expected) << c.voters << " at " << c.start;
    }
}

// A record of ntfs.img whose $DATA lies outside it, its allocated size patched to tell
// `sectorsPerCluster`.
std::vector<std::uint8_t> RecordTelling(std::span<const std::uint8_t> record, std::uint32_t sectorsPerCluster) {
    std::vector<std::uint8_t> bytes(record.begin(), record.end());
    const ByteReader reader(bytes);
    for (std::size_t at = reader.U16(0x14); at + 0x30 < 512 && reader.U32(at) != 0xFFFFFFFF && reader.U32(at + 4) != 0;
         at += reader.U32(at + 4)) {
        if (reader.U32(at) != 0x80 || reader.U8(at + 8) != 1) continue;
        const std::uint64_t allocated = (reader.U64(at + 0x18) + 1) * 512 * sectorsPerCluster;
        for (int i = 0; i < 8; ++i) bytes[at + 0x28 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(allocated >> (8 * i));
        return bytes;
    }
    return {};
}

TEST_F(VolumeRebuildTest, ClusterSizeIsTheFirstToFourVotesOfFilesOf5000BytesOrMore) {
    Place(test::ImageBytes("ntfs"));
    Sweep(0);
    const auto large = std::find_if(candidates.looseRecords.items.begin(), candidates.looseRecords.items.end(), [](const ScanNode& r) {
        return !r.IsDirectory() && r.size >= 100'000 && !r.Has(kFlagInRecord);
    });
    ASSERT_NE(large, candidates.looseRecords.items.end());
    const auto first = image.begin() + static_cast<std::ptrdiff_t>(std::uint64_t{large->location} * 512);
    const std::vector<std::uint8_t> record(first, first + 1024);

    struct Voter {
        std::uint64_t size;
        std::uint32_t sectorsPerCluster;
    };
    struct Case {
        std::vector<Voter> voters;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {{{5'000, 2}, {5'000, 2}, {5'000, 2}, {5'000, 2}}, 2},
        {{{4'999, 2}, {4'999, 2}, {4'999, 2}, {4'999, 2}}, 8},
        {{{5'000, 2}, {5'000, 2}, {5'000, 2}, {4'999, 2}}, 8},
        {{{5'000, 4}, {5'000, 2}, {5'000, 2}, {5'000, 4}, {5'000, 4}, {5'000, 2}, {5'000, 4}, {5'000, 2}}, 4},
        {{{5'000, 3}, {5'000, 3}, {5'000, 3}, {5'000, 3}}, 8},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> disk(c.voters.size() * 4 * 512);
        std::vector<ScanNode> records;
        for (std::size_t i = 0; i < c.voters.size(); ++i) {
            const auto bytes = RecordTelling(record, c.voters[i].sectorsPerCluster);
            ASSERT_FALSE(bytes.empty());
            std::copy(bytes.begin(), bytes.end(), disk.begin() + static_cast<std::ptrdiff_t>(i * 4 * 512));
            ScanNode node;
            node.size = c.voters[i].size;
            node.location = static_cast<std::uint32_t>(i * 4);
            records.push_back(node);
        }
        Place(disk);
        EXPECT_EQ(VoteClusterSize(*source, records, stop), c.expected) << c.voters.size() << " voters";
    }
}

// ntfs.img placed 100 sectors into a disk; its boot records pair with its $MFT or $MFTMirr.
TEST_F(VolumeRebuildTest, BootRecordsPairWithMftRecordsIntoOneVolumeCutToTheSource) {
    constexpr std::uint64_t kStart = 100;
    const std::vector<std::uint8_t> ntfs = test::ImageBytes("ntfs");
    const std::uint64_t volumeSectors = ntfs.size() / 512;
    test::NtfsImageScan plain(test::TestImage("ntfs"), {.mode = kModeFullScan});
    struct Case {
        const char* name;
        bool primary, backup, mft, mirror;
        std::uint64_t diskSectors;  // 0: the whole volume
        std::size_t volumes;
        std::uint64_t sectors;
        bool strayRecord = false;  // a copy of a file's record in the volume's unused end
    };
    const Case cases[] = {
        {"both boot records", true, true, true, true, 0, 1, volumeSectors, true},
        {"backup alone", false, true, true, false, 0, 1, volumeSectors},
        {"through the mirror", true, false, false, true, 0, 1, volumeSectors},
        {"no MFT record", true, true, false, false, 0, 0, 0},
        {"cut to the source", true, false, true, false, kStart + 20'000, 1, 20'000},
        {"starting past the source", true, false, true, false, kStart, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        candidates = {};
        std::vector<std::uint8_t> disk = ntfs;
        std::string strayName;
        if (c.strayRecord) {
            Place(ntfs, kStart);
            Sweep(kStart);
            const auto file = std::find_if(candidates.looseRecords.items.begin(), candidates.looseRecords.items.end(),
                                           [](const ScanNode& r) { return !r.IsDirectory() && r.recordNumber > 64; });
            ASSERT_NE(file, candidates.looseRecords.items.end());
            strayName = ToUtf8(file->name);
            const std::uint64_t at = (file->location - kStart) * 512;
            const std::uint64_t unused = (volumeSectors - 64) * 512;
            ASSERT_TRUE(std::all_of(disk.begin() + static_cast<std::ptrdiff_t>(unused), disk.begin() + static_cast<std::ptrdiff_t>(unused + 1024),
                                    [](std::uint8_t b) { return b == 0; }));
            std::copy_n(ntfs.begin() + static_cast<std::ptrdiff_t>(at), 1024, disk.begin() + static_cast<std::ptrdiff_t>(unused));
            candidates = {};
        }
        Place(std::move(disk), kStart, c.diskSectors);
        Sweep(kStart);
        std::erase_if(candidates.ntfsBoots.items, [&](const SectorCopy& boot) {
            return boot.sector == kStart ? !c.primary : !c.backup;
        });
        std::erase_if(candidates.mftRecords.items, [&](const MftCandidate& mft) { return mft.mirror ? !c.mirror : !c.mft; });
        const std::size_t named = candidates.looseRecords.items.size();
        NtfsRebuild rebuilt = RebuildNtfsVolumes(Setting(), candidates);
        ASSERT_EQ(rebuilt.scanners.size(), c.volumes);
        if (c.volumes == 0 && c.diskSectors == 0) {
            EXPECT_EQ(rebuilt.unclaimedRecords.size(), named);
            ScanNode lost;
            NamePool names;
            FileUnclaimedRecords(lost, std::move(rebuilt.unclaimedRecords), names, stop);
            EXPECT_GT(test::CountNodes(lost), named / 2);
        }
        if (c.volumes == 0) continue;
        const VolumeScanner& scanner = *rebuilt.scanners.front();
        EXPECT_EQ(scanner.volumeStart, kStart);
        EXPECT_EQ(scanner.volumeSectors, c.sectors);
        // Every record lies in the volume's own MFT: none is filed twice, none left over.
        EXPECT_TRUE(rebuilt.unclaimedRecords.empty());
        // A record outside the MFT joins the volume's lost files.
        std::size_t strays = 0;
        test::ForEachNode(scanner.roots[RootIndex::Scanned], [&](const ScanNode& node, const std::string&) {
            strays += !strayName.empty() && node.name != nullptr && ToUtf8(node.name) == strayName ? 1 : 0;
        });
        EXPECT_EQ(strays, c.strayRecord ? 1u : 0u);
        const std::size_t folders = c.strayRecord ? 1 : 0;  // the record's parent's folder, when the volume has none
        EXPECT_LE(test::CountNodes(scanner.roots[RootIndex::Scanned]),
                  test::CountNodes(plain.Root(RootIndex::Scanned)) + strays + folders);
        for (const test::ManifestFile& file : test::LoadNtfsManifest()) {
            if (!file.deleted) {
                EXPECT_NE(test::FindPath(scanner.roots[RootIndex::Root], file.path), nullptr) << file.path;
            }
        }
    }
}

// fat32.img gathered as the sweep gathers. With both boot sectors zeroed its directory
// clusters alone place the volume and rebuild its tree: the root's later clusters, which no
// run reaches without the table, keep their entries in a folder of the lost root, and files
// are read as contiguous. With the boot sector and a confirmed table, chains are followed,
// and the directory clusters do not build the volume a second time.
TEST_F(VolumeRebuildTest, FatDirectoriesRebuildTheirVolumeWithOrWithoutABootRecord) {
    for (const bool bootKept : {false, true}) {
        SCOPED_TRACE(bootKept ? "boot record and table" : "boot records zeroed");
        candidates = {};
        std::vector<std::uint8_t> fat = test::ImageBytes("fat32");
        if (bootKept) {
            for (const std::uint64_t copy : {0, 6}) {  // the boot sector and its backup
                SectorCopy boot{copy, {}};
                std::copy_n(fat.begin() + static_cast<std::ptrdiff_t>(copy * 512), 512, boot.bytes.begin());
                candidates.fatBoots.Add(boot);
            }
            const SectorCopy& boot = candidates.fatBoots.items.front();
            candidates.fatTables.Add({ByteReader(boot.bytes).U16(0x0E), 32});
        } else {
            std::fill_n(fat.begin(), 512, 0);
            std::fill_n(fat.begin() + 6 * 512, 512, 0);
        }
        Place(std::move(fat));
        Sweep(0);
        auto scanners = RebuildFatVolumes(Setting(), candidates);
        ASSERT_EQ(scanners.size(), 1u);
        VolumeScanner& scanner = *scanners.front();
        const auto find = [&](const std::string& path) {
            const ScanNode* node = test::FindPath(scanner.roots[RootIndex::Root], path);
            for (const ScanNode& folder : scanner.roots[RootIndex::Lost].children) node = node ? node : test::FindPath(folder, path);
            return node;
        };
        int readBack = 0;
        for (const test::ManifestFile& file : test::LoadManifest("fat32")) {
            if (file.deleted) continue;
            const ScanNode* node = bootKept ? test::FindPath(scanner.roots[RootIndex::Root], file.path) : find(file.path);
            ASSERT_NE(node, nullptr) << file.path;
            if (file.isDirectory || (file.fragmented && !bootKept)) continue;
            const auto bytes = test::ReadNodeBytes(scanner, *node);
            ASSERT_TRUE(bytes.has_value()) << file.path;
            EXPECT_EQ(test::Md5Hex(*bytes), file.md5) << file.path;
            ++readBack;
        }
        EXPECT_GT(readBack, 5);
    }
}

TEST_F(VolumeRebuildTest, AVolumeWhoseTreeGivesNothingIsDropped) {
    const std::vector<std::uint8_t> fat = test::ImageBytes("fat32");
    SectorCopy boot{1'000, {}};
    std::copy_n(fat.begin(), 512, boot.bytes.begin());
    candidates.fatBoots.Add(boot);
    Place(std::vector<std::uint8_t>(fat.size() + 1'000 * 512));
    EXPECT_TRUE(RebuildFatVolumes(Setting(), candidates).empty());
}

}  // namespace
}  // namespace tundrel

namespace tundrel {
namespace {

// The reformatted images, gathered as the sweep gathers: the files of the former volume that
// survived the new one are found below a rebuilt volume, byte-exact. ntfs-quick was formatted
// again with half the cluster size over the old MFT's place, and no boot record of the old
// volume is left: only its MFT mirror places it.
TEST_F(VolumeRebuildTest, FormerVolumesOfReformattedImagesAreRebuilt) {
    for (const char* name : {"fat32-to-ntfs", "ntfs-to-fat32", "ntfs-quick"}) {
        SCOPED_TRACE(name);
        if (!std::filesystem::exists(std::filesystem::path(TUNDREL_TEST_DATA_DIR) / "images" / (std::string(name) + ".img.gz"))) {
            GTEST_SKIP() << "the reformatted images come with the images branch";
        }
        candidates = {};
        Place(test::ImageBytes(name));
        Sweep(0);
        NtfsRebuild ntfs = RebuildNtfsVolumes(Setting(), candidates);
        auto scanners = RebuildFatVolumes(Setting(), candidates);
        for (auto& scanner : ntfs.scanners) scanners.push_back(std::move(scanner));
        const nlohmann::json former = test::ManifestJson(name)["formerVolumes"][0];
        int found = 0;
        for (const nlohmann::json& file : former["files"]) {
            if (file["type"] != "file" || !file.value("survived", false)) continue;
            const std::string path = file["path"].get<std::string>().substr(1);
            std::optional<std::vector<std::uint8_t>> bytes;
            for (const auto& scanner : scanners) {
                for (const RootIndex root : {RootIndex::Root, RootIndex::Lost, RootIndex::Scanned}) {
                    test::ForEachNode(scanner->roots[root], [&](const ScanNode& node, const std::string& at) {
                        if (!bytes && !node.IsDirectory() && (at == path || at.ends_with("/" + path))) bytes = test::ReadNodeBytes(*scanner, node);
                    });
                }
            }
            ASSERT_TRUE(bytes.has_value()) << path;
            EXPECT_EQ(test::Md5Hex(*bytes), file["md5"]) << path;
            ++found;
        }
        EXPECT_GT(found, 5);
    }
}

}  // namespace
}  // namespace tundrel
