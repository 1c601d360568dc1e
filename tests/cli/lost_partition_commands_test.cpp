// The lost-partition search through the command line, on a disk whose partitions were
// deleted from its table: each is listed at its true start and size, and scanning it gives
// back its files byte for byte.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "cli/exit_codes.h"
#include "manifest.h"
#include "md5.h"
#include "support/strings.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using test::RunTool;

std::string TypeNameOf(const std::string& fs) {
    if (fs == "ntfs") return "NTFS";
    if (fs == "exfat") return "exFAT";
    return fs == "fat16" ? "FAT16" : "FAT32";
}

TEST(LostPartitionCommandsTest, LostPartitionsAreFoundAtTheirStartsAndGiveBackTheirFiles) {
    const std::string image = test::TestImage("lost-mbr").string();
    const auto listed = RunTool({"partitions", "--search", "--json", image});
    ASSERT_EQ(listed.status, cli::kExitSuccess) << listed.err;
    const auto lines = test::JsonLines(listed.out);
    ASSERT_FALSE(lines.empty());
    // The whole disk comes last; every other row once, by start.
    EXPECT_EQ(lines.back()["startSector"], 0);
    EXPECT_EQ(lines.back()["typeName"], "RAW");
    EXPECT_EQ(lines.back()["sectorCount"], fs::file_size(image) / 512);
    std::map<std::uint64_t, nlohmann::json> byStart;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const auto start = lines[i]["startSector"].get<std::uint64_t>();
        if (i > 0) {
            EXPECT_LT(lines[i - 1]["startSector"].get<std::uint64_t>(), start);
        }
        byStart[start] = lines[i];
    }
    const nlohmann::json table = test::ManifestJson("lost-mbr")["partitions"];
    ASSERT_EQ(table.size(), 1u);
    EXPECT_TRUE(byStart.contains(table[0]["startSector"].get<std::uint64_t>()));

    const std::vector<test::FormerVolume> lost = test::FormerVolumes("lost-mbr");
    ASSERT_EQ(lost.size(), 4u);
    EXPECT_EQ(byStart.size(), lost.size() + table.size());
    for (const test::FormerVolume& volume : lost) {
        SCOPED_TRACE(volume.fs + " at " + std::to_string(volume.startSector));
        ASSERT_TRUE(byStart.contains(volume.startSector));
        const nlohmann::json& row = byStart[volume.startSector];
        EXPECT_EQ(row["typeName"], TypeNameOf(volume.fs));
        EXPECT_TRUE(row["bootValid"].get<bool>());
        // NTFS counts its sectors without the last one, where its backup boot sector stands.
        EXPECT_EQ(row["sectorCount"].get<std::uint64_t>() + (volume.fs == "ntfs" ? 1 : 0), volume.sectorCount);

        test::TempDir dir;
        const auto exported = RunTool({"export", image, "root", "--mode", "partition", "--volume",
                                       std::to_string(volume.startSector), "--types", "none", "-q", "--to",
                                       (dir / "out").string()});
        ASSERT_EQ(exported.status, cli::kExitSuccess) << exported.err;
        const fs::path root = dir / "out" / ToUtf8(Text16(StringId::RootDirectory));
        int checked = 0;
        for (const test::FormerFile& file : volume.files) {
            if (file.isDirectory || file.deleted) continue;
            EXPECT_EQ(test::Md5Hex(test::FileBytes(root / file.path)), file.md5) << file.path;
            ++checked;
        }
        EXPECT_EQ(checked, 3);
    }
}

// Without --volume every partition found that is not mounted is a task of its own.
TEST(LostPartitionCommandsTest, EveryFoundPartitionIsScannedWithoutVolume) {
    const auto scanned = RunTool({"ls", "--json", "--mode", "partition", "--types", "none", test::TestImage("lost-mbr").string()});
    ASSERT_EQ(scanned.status, cli::kExitSuccess) << scanned.err;
    std::set<int> volumes;
    for (const auto& line : test::JsonLines(scanned.out)) volumes.insert(line["volume"].get<int>());
    EXPECT_EQ(volumes, (std::set<int>{0, 1, 2, 3, 4}));
}

// A table entry that starts three sectors before its FAT16 volume, over a span whose size
// rebuilds no boot sector: the scanner finds the volume's own boot sector three sectors on
// and reads the volume through it. (Damage made here: the entry's start and size patched.)
TEST(LostPartitionCommandsTest, FatScannerRetriesWithTheBootSectorAFewSectorsOn) {
    test::TempDir dir;
    const fs::path disk = test::CopyOfImage("lost-mbr", dir.Path());
    const nlohmann::json table = test::ManifestJson("lost-mbr")["partitions"];
    const auto start = table[0]["startSector"].get<std::uint32_t>() - 3;
    const std::uint32_t sectors = 3 * table[0]["sectorCount"].get<std::uint32_t>();
    const auto le32 = [](std::uint32_t value) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                         static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    };
    test::PatchFile(disk, 446 + 8, le32(start));
    test::PatchFile(disk, 446 + 12, le32(sectors));
    const auto listed = RunTool({"ls", "-r", "--json", "--volume", std::to_string(start), disk.string(), "0:root"});
    ASSERT_EQ(listed.status, cli::kExitSuccess) << listed.err;
    std::map<std::string, std::uint64_t> sizes;
    for (const auto& line : test::JsonLines(listed.out)) sizes[line["path"].get<std::string>()] = line["size"];
    for (const test::ManifestFile& file : test::LoadManifest("lost-mbr", 1)) {
        if (!file.isDirectory) {
            EXPECT_EQ(sizes[file.path], file.size) << file.path;
        }
    }
}

}  // namespace
}  // namespace tundrel
