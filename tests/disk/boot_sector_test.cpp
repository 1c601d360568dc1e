// Recognising a volume's file system from its boot sector.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "disk/boot_sector.h"
#include "disk/fs_type.h"
#include "exfat/exfat_boot_sector.h"
#include "fat/fat_boot_sector.h"
#include "modes/all_scanners.h"
#include "ntfs/ntfs_boot_sector.h"
#include "test_support.h"

namespace tundrel {
namespace {

using Sector = std::array<std::uint8_t, 512>;

Sector Signed() {
    Sector s{};
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

// The first sector of a committed image, as mkfs made it.
Sector BootOf(const char* image) {
    Sector s{};
    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(test::TestImage(image), 0, s.size());
    std::copy_n(bytes.begin(), std::min(bytes.size(), s.size()), s.begin());
    return s;
}
Sector Ntfs() { return BootOf("ntfs"); }
Sector Fat(bool fat32) { return BootOf(fat32 ? "fat32" : "fat16"); }
Sector ExFat() { return BootOf("exfat"); }

TEST(BootSectorTest, EachFileSystemIsRecognisedByItsOwnTestOnly) {
    EXPECT_EQ(BootSectorType(AllFileSystems(), Ntfs()), kFsNtfs);
    EXPECT_EQ(BootSectorType(AllFileSystems(), Fat(true)), kFsFat32);
    EXPECT_EQ(BootSectorType(AllFileSystems(), Fat(false)), kFsFat16);
    EXPECT_EQ(BootSectorType(AllFileSystems(), ExFat()), kFsExFat);
    EXPECT_EQ(BootSectorType(AllFileSystems(), Signed()), kFsRaw);
    EXPECT_FALSE(IsFatBootSector(Ntfs(), Ntfs()));
}

TEST(BootSectorTest, DamagedFieldsAreRejected) {
    Sector noSignature = Ntfs();
    noSignature[511] = 0;
    EXPECT_FALSE(IsNtfsBootSector(noSignature, noSignature));
    // Odd cluster sizes are rejected in the cluster-size tables below.
    Sector bigSectors = Fat(false);
    bigSectors[12] = 0x10;  // 4096 bytes
    Sector threeFats = Fat(false);
    threeFats[16] = 3;
    for (const Sector& fat : {bigSectors, threeFats}) EXPECT_FALSE(IsFatBootSector(fat, fat));
    Sector noRootCluster = ExFat();
    std::fill_n(&noRootCluster[96], 4, 0);
    EXPECT_FALSE(IsExFatBootSector(noRootCluster));
}

TEST(BootSectorTest, NtfsClusterSizesUpToTwoMebibytes) {
    // Byte 13: 1 to 128 sectors as written; above 0x80, 2^(256 - value) sectors.
    const struct {
        std::uint8_t value;
        std::uint32_t sectors;
    } cases[] = {{1, 1}, {8, 8}, {128, 128}, {0, 0}, {3, 0}, {0x81, 0}, {0xF3, 0}, {0xF4, 4096}, {0xF8, 256}, {0xFF, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(NtfsClusterSectors(c.value).value_or(0), c.sectors) << int{c.value};
        Sector ntfs = Ntfs();
        ntfs[13] = c.value;
        EXPECT_EQ(IsNtfsBootSector(ntfs, ntfs), c.sectors != 0) << int{c.value};
        Sector fat = Fat(true);
        fat[13] = c.value;
        EXPECT_EQ(IsFatBootSector(fat, fat), c.value != 0 && c.sectors == c.value) << int{c.value};
    }
}

TEST(BootSectorTest, ExFatShiftsOfSectorsFrom512BytesTo4KiBAndClustersUpTo32MiB) {
    const struct {
        std::uint8_t sectorShift;
        std::uint8_t clusterShift;
        bool accepted;
    } cases[] = {{9, 0, true}, {12, 0, true}, {9, 16, true}, {12, 13, true}, {9, 17, false},
                 {12, 14, false}, {8, 1, false}, {13, 0, false}, {16, 0, false}};
    for (const auto& c : cases) {
        Sector exfat = ExFat();
        exfat[108] = c.sectorShift;
        exfat[109] = c.clusterShift;
        EXPECT_EQ(IsExFatBootSector(exfat), c.accepted) << int{c.sectorShift} << "+" << int{c.clusterShift};
    }
}

TEST(BootSectorTest, ShortBuffersFailInsteadOfReadingPastThem) {
    const Sector ntfs = Ntfs();
    EXPECT_FALSE(IsNtfsBootSector(std::span(ntfs).first(100), std::span(ntfs).first(100)));
    EXPECT_FALSE(IsExFatBootSector(std::span<const std::uint8_t>{}));
    EXPECT_EQ(BootSectorType(AllFileSystems(), std::span(ntfs).first(511)), kFsRaw);
}

}  // namespace
}  // namespace tundrel
