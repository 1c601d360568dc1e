// Partition tables and the volumes in them, on disks made by sfdisk and the mkfs tools.

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>

#include "disk/fs_type.h"
#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "disk_builder.h"
#include "modes/all_scanners.h"
#include "support/byte_reader.h"
#include "support/display_format.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using test::FormatVolume;
using test::HaveTools;
using test::MakePartitionedDisk;

constexpr std::uint64_t kDiskSectors = 262144;  // 128 MiB, sparse

std::vector<VolumeInfo> ListOn(const fs::path& disk, std::vector<std::string>* notes = nullptr) {
    SectorSource source;
    EXPECT_TRUE(source.Open(ToUtf16(disk.string())));
    std::atomic<std::uint32_t> stop{0};
    return ListPartitions(source, stop, AllFileSystems(), notes);
}

// The one volume a test disk holds; an empty record, and a failure, when it lists another count.
VolumeInfo OnlyVolume(const fs::path& disk) {
    const std::vector<VolumeInfo> records = ListOn(disk);
    EXPECT_EQ(records.size(), 1u);
    return records.size() == 1 ? records[0] : VolumeInfo{};
}

std::vector<std::uint32_t> StartsOf(const std::vector<VolumeInfo>& records) {
    std::vector<std::uint32_t> starts;
    for (const VolumeInfo& record : records) starts.push_back(record.startSector);
    return starts;
}

// The starts of the primary and logical partitions, as sfdisk reports them.
std::vector<std::uint32_t> PartitionStarts(const fs::path& disk) {
    const auto table = nlohmann::json::parse(test::CommandOutput("sfdisk -J '" + disk.string() + "'"));
    std::vector<std::uint32_t> starts;
    for (const auto& partition : table["partitiontable"]["partitions"]) {
        if (partition["type"] != "f" && partition["type"] != "5") starts.push_back(partition["start"]);
    }
    return starts;
}

// Today's date as a volume made now records it, in the test's time zone.
std::u16string TodayText() {
    const LocalTimestamp now = ToLocalTimestamp(std::time(nullptr));
    return ToUtf16(FormatText("%d-%02d-%02d", 1980 + (now.date >> 9), (now.date >> 5) & 15, now.date & 31));
}

class PartitionListTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTools({"sfdisk", "mkfs.fat"})) GTEST_SKIP() << "sfdisk and mkfs.fat are needed to make test disks";
    }
    test::TempDir dir;
    fs::path disk = dir / "disk.img";
};

TEST_F(PartitionListTest, TablesWithoutTheirSignatureYieldNothing) {
    ASSERT_TRUE(MakePartitionedDisk(disk, kDiskSectors,
                                    "label: dos\nstart=2048, size=8192, type=6\nstart=10240, type=f\n"
                                    "size=8192, type=6\nsize=8192, type=7\n"));
    ASSERT_EQ(StartsOf(ListOn(disk)), (std::vector<std::uint32_t>{2048, 12288, 22528}));

    // The first EBR loses its signature: its logical partition and the rest of the chain go.
    test::PatchFile(disk, 10240 * 512 + 510, {0x00, 0x00});
    EXPECT_EQ(StartsOf(ListOn(disk)), (std::vector<std::uint32_t>{2048}));

    test::PatchFile(disk, 510, {0x55, 0x00});
    EXPECT_TRUE(ListOn(disk).empty());
}

TEST_F(PartitionListTest, FatTypesAreListedAndOthersAreNot) {
    ASSERT_TRUE(MakePartitionedDisk(disk, kDiskSectors,
                                    "label: dos\nstart=2048, size=8192, type=1\nstart=10240, size=8192, type=ef\n"
                                    "start=18432, size=8192, type=ee\nstart=26624, size=8192, type=e\n"));
    ASSERT_TRUE(FormatVolume(disk, 2048, 8192, {"mkfs.fat -F 12 {}"}));
    ASSERT_TRUE(FormatVolume(disk, 10240, 8192, {"mkfs.fat -F 32 -s 1 {}"}));
    const std::vector<VolumeInfo> records = ListOn(disk);
    ASSERT_EQ(StartsOf(records), (std::vector<std::uint32_t>{2048, 10240, 26624}));
    EXPECT_EQ(records[0].fsType, kFsFat16);  // FAT12 is read like FAT16
    EXPECT_TRUE(records[0].bootValid);
    EXPECT_EQ(records[1].fsType, kFsFat32);  // an EFI system partition takes its boot sector's type
    EXPECT_TRUE(records[1].bootValid);
    EXPECT_EQ(records[2].fsType, kFsFat16);
    EXPECT_FALSE(records[2].bootValid);  // type 0x0E with nothing in it
}

TEST_F(PartitionListTest, ExtendedChainStopsAtDepthThirtyOne) {
    std::string script = "label: dos\nstart=2048, size=8192, type=6\nstart=10240, type=f\n";
    for (int i = 0; i < 40; ++i) script += "size=64, type=6\n";
    ASSERT_TRUE(MakePartitionedDisk(disk, kDiskSectors, script));
    std::vector<std::uint32_t> starts = PartitionStarts(disk);
    ASSERT_EQ(starts.size(), 41u);  // the primary and 40 logical partitions

    // The MBR is depth 0, so 30 EBRs are read.
    starts.resize(31);
    EXPECT_EQ(StartsOf(ListOn(disk)), starts);
}

TEST_F(PartitionListTest, ExtendedChainThatLinksBackIsReadOncePerEbr) {
    ASSERT_TRUE(MakePartitionedDisk(disk, kDiskSectors,
                                    "label: dos\nstart=2048, size=8192, type=6\nstart=10240, type=f\n"
                                    "size=4096, type=6\nsize=4096, type=6\nsize=4096, type=6\n"));
    std::vector<std::uint32_t> logical = PartitionStarts(disk);
    ASSERT_EQ(logical.size(), 4u);
    logical.erase(logical.begin());  // the primary
    // Every EBR is 2048 sectors before its partition; links count from the extended start.
    const std::uint32_t secondEbr = logical[1] - 2048;
    ASSERT_EQ(test::ReadFileBytes(disk, std::uint64_t{secondEbr} * 512 + 510, 2), (std::vector<std::uint8_t>{0x55, 0xAA}));
    const auto link = [](std::uint32_t relative) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(relative), static_cast<std::uint8_t>(relative >> 8),
                                         static_cast<std::uint8_t>(relative >> 16), 0};
    };

    // The second EBR links to itself.
    test::PatchFile(disk, std::uint64_t{secondEbr} * 512 + 446 + 16 + 8, link(secondEbr - 10240));
    EXPECT_EQ(StartsOf(ListOn(disk)), (std::vector<std::uint32_t>{2048, logical[0], logical[1]}));

    // The second EBR links back to the first.
    test::PatchFile(disk, std::uint64_t{secondEbr} * 512 + 446 + 16 + 8, link(0));
    EXPECT_EQ(StartsOf(ListOn(disk)), (std::vector<std::uint32_t>{2048, logical[0], logical[1]}));
}

TEST_F(PartitionListTest, Fat32WithWipedBootSectorIsReadFromItsBackup) {
    ASSERT_TRUE(MakePartitionedDisk(disk, kDiskSectors, "label: dos\nstart=2048, size=70000, type=c\n"));
    ASSERT_TRUE(FormatVolume(disk, 2048, 70000,
                             {"mkfs.fat -F 32 -s 1 -n FAT32LAB {}", "mmd -i {} '::System Volume Information'"}));
    test::WipeSector(disk, 2048);
    const std::vector<std::uint8_t> backup = test::ReadFileBytes(disk, (2048 + 6) * 512, 512);

    const VolumeInfo record = OnlyVolume(disk);
    EXPECT_EQ(record.fsType, kFsFat32);
    EXPECT_TRUE(record.bootValid);
    EXPECT_EQ(std::vector<std::uint8_t>(record.bootSector.begin(), record.bootSector.end()), backup);
    EXPECT_EQ(record.label, u"FAT32LAB");
    EXPECT_EQ(record.createdText, u"2001-09-09");  // SOURCE_DATE_EPOCH 1000000000, in Tokyo or UTC
}

// FAT16 of 4-sector clusters laid out as reserved 1, FATs of 245 sectors at 1 and 246, the root
// directory at 491; the partition size divided by the clusters a 245-sector FAT counts is
// 3.9999, which must round to 4.
TEST_F(PartitionListTest, Fat16WithoutBootSectorIsRebuiltFromItsFats) {
    constexpr std::uint32_t kStart = 2048;
    constexpr std::uint32_t kSectors = 250923;
    ASSERT_TRUE(MakePartitionedDisk(disk, kDiskSectors, "label: dos\nstart=2048, size=250923, type=6\n"));
    ASSERT_TRUE(FormatVolume(disk, kStart, kSectors,
                             {"mkfs.fat -a -F 16 -s 4 -R 1 -f 2 -r 512 -n FATLAB {}", "mmd -i {} ::SUB",
                              "mmd -i {} '::System Volume Information'"}));
    const std::vector<std::uint8_t> original = test::ReadFileBytes(disk, kStart * 512, 512);
    const ByteReader made(original);
    ASSERT_EQ(made.U16(14), 1);
    ASSERT_EQ(made.U16(22), 245);
    ASSERT_EQ(made.U8(13), 4);
    test::WipeSector(disk, kStart);

    const VolumeInfo record = OnlyVolume(disk);
    EXPECT_TRUE(record.bootValid);
    // Sector size, cluster size, reserved sectors, FAT count, root entries, FAT size, total sectors.
    for (const int at : {11, 12, 13, 14, 15, 16, 17, 18, 22, 23, 32, 33, 34, 35}) {
        EXPECT_EQ(record.bootSector[at], original[at]) << at;
    }
    // The rebuilt parameters lead to the root directory.
    EXPECT_EQ(record.label, u"FATLAB");
    EXPECT_EQ(record.createdText, u"2001-09-09");
}

TEST_F(PartitionListTest, NtfsWithWipedBootSectorIsReadFromItsBackup) {
    if (!HaveTools({"mkntfs"})) GTEST_SKIP() << "mkntfs is needed";
    // The partition runs to the end of the disk, so the search for the backup reaches past it.
    constexpr std::uint32_t kStart = 2048;
    constexpr std::uint32_t kSectors = 30720;
    ASSERT_TRUE(MakePartitionedDisk(disk, kStart + kSectors, "label: dos\nstart=2048, type=7\n"));
    const std::u16string before = TodayText();
    ASSERT_TRUE(FormatVolume(disk, kStart, kSectors, {"mkntfs -F -Q -L NTFSLAB {}"}));
    const std::u16string after = TodayText();
    test::WipeSector(disk, kStart);
    const std::vector<std::uint8_t> backup = test::ReadFileBytes(disk, std::uint64_t{kStart + kSectors - 1} * 512, 512);

    const VolumeInfo record = OnlyVolume(disk);
    EXPECT_EQ(record.fsType, kFsNtfs);
    EXPECT_TRUE(record.bootValid);
    EXPECT_EQ(std::vector<std::uint8_t>(record.bootSector.begin(), record.bootSector.end()), backup);
    EXPECT_EQ(record.label, u"NTFSLAB");
    EXPECT_TRUE(record.createdText == before || record.createdText == after) << ToUtf8(record.createdText);

    // A backup whose own size does not put it where it lies is someone else's.
    test::PatchFile(disk, std::uint64_t{kStart + kSectors - 1} * 512 + 40, {0x00, 0x10});
    EXPECT_FALSE(OnlyVolume(disk).bootValid);
}

// Positions computed from damaged fields are 64-bit: one that lies past the end of the disk
// reads nothing, where 32-bit arithmetic would wrap round onto the volume's real root.
TEST_F(PartitionListTest, PositionsBeyondTheDiskReadNothing) {
    ASSERT_TRUE(MakePartitionedDisk(disk, kDiskSectors, "label: dos\nstart=2048, size=70000, type=c\n"));
    ASSERT_TRUE(FormatVolume(disk, 2048, 70000, {"mkfs.fat -F 32 -s 8 -n FAT32LAB {}"}));
    ASSERT_EQ(OnlyVolume(disk).label, u"FAT32LAB");
    // Root cluster 2 + 2^32 / 8: the root would lie 2^32 sectors further on.
    test::PatchFile(disk, 2048 * 512 + 44, {0x02, 0x00, 0x00, 0x20});
    const VolumeInfo record = OnlyVolume(disk);
    EXPECT_TRUE(record.bootValid);
    EXPECT_TRUE(record.label.empty());
}

constexpr const char* kBasicData = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";
constexpr const char* kEfiSystem = "C12A7328-F81F-11D2-BA4B-00A0C93EC93B";

std::string GptScript(std::uint64_t secondStart) {
    return std::string("label: gpt\nstart=2048, size=69632, type=") + kBasicData + "\nstart=" +
           std::to_string(secondStart) + ", size=16384, type=" + kEfiSystem + "\n";
}

// The primary header at LBA 1 and its entries from LBA 2 are damaged in turn: the backup at
// the disk's last LBA gives the same partitions, and the damage is noted.
TEST_F(PartitionListTest, GuidTableFallsBackToItsBackupCopy) {
    struct Damage {
        const char* what;
        std::uint64_t offset;  // of the byte changed
        const char* note;
    };
    for (const Damage damage : {Damage{"none", 0, nullptr}, Damage{"header", 512 + 24, "header (LBA 1)"},
                                Damage{"entries", 1024 + 40, "entries (LBA 1)"}}) {
        SCOPED_TRACE(damage.what);
        ASSERT_TRUE(MakePartitionedDisk(disk, kDiskSectors, GptScript(73728)));
        ASSERT_TRUE(FormatVolume(disk, 2048, 69632, {"mkfs.fat -F 32 -s 1 -n GPTFAT {}"}));
        if (damage.offset != 0) test::PatchFile(disk, damage.offset, {0x5A});
        std::vector<std::string> notes;
        const std::vector<VolumeInfo> records = ListOn(disk, &notes);
        ASSERT_EQ(StartsOf(records), (std::vector<std::uint32_t>{2048, 73728}));
        EXPECT_EQ(records[0].fsType, kFsFat32);  // by its boot sector, whatever the type says
        EXPECT_EQ(records[0].label, u"GPTFAT");
        EXPECT_EQ(records[1].fsType, kFsFat32);  // an empty EFI system partition, by its type
        EXPECT_FALSE(records[1].bootValid);
        ASSERT_EQ(notes.size(), damage.note != nullptr ? 1u : 0u);
        if (damage.note != nullptr) {
            EXPECT_NE(notes[0].find(damage.note), std::string::npos) << notes[0];
        }
    }
}

// A disk of 4,096-byte logical sectors: its LBAs count eight 512-byte sectors each.
TEST_F(PartitionListTest, GuidTableOfFourKilobyteSectorsIsListedAndScanned) {
    std::ofstream(disk, std::ios::binary).close();
    fs::resize_file(disk, kDiskSectors * 512);
    {
        const test::LoopDevice loop(disk, 4096, true);
        if (!loop.Attached()) GTEST_SKIP() << "a loop device is needed to partition a disk of 4,096-byte sectors";
        ASSERT_TRUE(test::RunQuietly("printf 'label: gpt\\nstart=256, size=8704, type=" + std::string(kBasicData) +
                                     "\\n' | sfdisk --no-reread --no-tell-kernel " + loop.Path()));
    }
    ASSERT_TRUE(FormatVolume(disk, 2048, 69632, {"mkfs.fat -F 32 -s 1 -n FOURK {}", "mmd -i {} ::DOCS"}));
    const std::vector<VolumeInfo> records = ListOn(disk);
    ASSERT_EQ(StartsOf(records), (std::vector<std::uint32_t>{2048}));
    EXPECT_EQ(records[0].sectorCount, 69632u);
    EXPECT_EQ(records[0].label, u"FOURK");
    const test::ToolOutcome listed = test::RunTool({"ls", "--json", disk.string(), "0:root"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const auto lines = test::JsonLines(listed.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["path"], "DOCS");
}

// A partition past 2^32 sectors of a sparse disk of over 2 TiB is listed with its true place.
TEST_F(PartitionListTest, GuidPartitionBeyondTwoTebibytesIsMarked) {
    constexpr std::uint64_t kFar = std::uint64_t{1} << 32;
    if (!MakePartitionedDisk(disk, kFar + 2 * kDiskSectors, GptScript(kFar))) GTEST_SKIP() << "no sparse 2 TiB file here";
    const std::vector<VolumeInfo> records = ListOn(disk);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_FALSE(records[0].beyond2TiB);
    EXPECT_TRUE(records[1].beyond2TiB);
    EXPECT_EQ(records[1].wideStart, kFar);
    EXPECT_EQ(records[1].wideCount, 16384u);
    const test::ToolOutcome listed = test::RunTool({"partitions", "--json", disk.string()});
    const auto lines = test::JsonLines(listed.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1]["beyond2TiB"], true);
    EXPECT_EQ(lines[1]["startSector"], kFar);
}

}  // namespace
}  // namespace tundrel
