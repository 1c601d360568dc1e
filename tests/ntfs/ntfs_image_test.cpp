// Scans of the committed NTFS image, checked against its manifest, and scans of copies damaged
// on purpose.

#include <gtest/gtest.h>


#include "md5.h"
#include "ntfs_test_support.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using test::FindPath;
using test::ManifestFile;
using test::NtfsImageScan;
using Bytes = std::vector<std::uint8_t>;

class NtfsImageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        image = test::TestImage("ntfs");
        manifest = test::LoadNtfsManifest();
    }

    // Byte offset of an MFT record in the committed image.
    static std::uint64_t RecordOffset(std::uint32_t record) {
        NtfsImageScan scan(image);
        return *scan.scanner->Volume().RecordSector(record) * 512;
    }

    static const ManifestFile& File(const std::string& path) {
        return *std::find_if(manifest.begin(), manifest.end(), [&](const ManifestFile& file) { return file.path == path; });
    }

    static void ExpectReadsBack(NtfsImageScan& scan, RootIndex root, const ManifestFile& file, std::string path = "") {
        if (path.empty()) path = file.path;
        const ScanNode* node = FindPath(scan.Root(root), path);
        ASSERT_NE(node, nullptr) << path;
        const auto bytes = test::ReadNodeBytes(*scan.scanner, *node);
        ASSERT_TRUE(bytes) << path;
        EXPECT_EQ(test::Md5Hex(*bytes), file.md5) << path;
    }

    static inline fs::path image;
    static inline std::vector<ManifestFile> manifest;
    test::TempDir dir;
};

TEST_F(NtfsImageTest, VolumeWithoutItsFirstSectorScansThroughTheBackupBootRecord) {
    const fs::path copy = test::CopyOfImage("ntfs", dir.Path());
    test::PatchFile(copy, 0, Bytes(512, 0));
    test::ScanSetup setup;
    setup.passBootSector = false;
    NtfsImageScan scan(copy, setup);
    for (const ManifestFile& file : manifest) {
        if (!file.deleted && !file.isDirectory) ExpectReadsBack(scan, RootIndex::Root, file);
    }
    // Without the copy either there is nothing to scan, and the scan says so by finding nothing.
    test::PatchFile(copy, fs::file_size(copy) - 512, Bytes(512, 0));
    NtfsImageScan bare(copy, setup);
    for (const ScanNode& root : bare.scanner->roots.roots) EXPECT_TRUE(root.children.empty());
}

TEST_F(NtfsImageTest, FilesWhoseParentRecordIsGoneOrReusedLandAmongTheScannedFiles) {
    const std::uint64_t oldProject = RecordOffset(95);
    const fs::path gone = test::CopyOfImage("ntfs", dir.Path());
    test::PatchFile(gone, oldProject, Bytes(1024, 0));
    NtfsImageScan scan(gone);
    EXPECT_EQ(FindPath(scan.Root(RootIndex::Deleted), "OldProject"), nullptr);
    EXPECT_EQ(test::ChildNamesOf(scan.Root(RootIndex::Scanned)), std::vector<std::string>{"Dir_1"});
    EXPECT_EQ(test::ChildNamesOf(*FindPath(scan.Root(RootIndex::Scanned), "Dir_1")),
              (std::vector<std::string>{"Sub", "notes.txt", "plan.txt"}));
    ExpectReadsBack(scan, RootIndex::Scanned, File("OldProject/plan.txt"), "Dir_1/plan.txt");
    ExpectReadsBack(scan, RootIndex::Scanned, File("OldProject/Sub/data.csv"), "Dir_1/Sub/data.csv");

    // The parent's record now holds a file (a copy of tiny.txt's): its old children are lost all the same.
    const fs::path reused = test::CopyOfImage("ntfs", dir.Path());
    Bytes tiny = test::ReadFileBytes(reused, RecordOffset(74), 1024);
    tiny[0x2C] = 95;
    test::PatchFile(reused, oldProject, tiny);
    NtfsImageScan reusedScan(reused);
    ExpectReadsBack(reusedScan, RootIndex::Scanned, File("OldProject/plan.txt"), "Dir_1/plan.txt");
}

TEST_F(NtfsImageTest, DeletedFileWhoseFirstClusterIsInUseAgainIsOverwrittenInDeletedFileModeOnly) {
    const fs::path copy = test::CopyOfImage("ntfs", dir.Path());
    std::uint64_t bitmapOffset = 0;
    {
        NtfsImageScan scan(image);
        const ScanNode* bitmap = test::FindChild(scan.Root(RootIndex::Hidden), u"$Bitmap");
        ASSERT_NE(bitmap, nullptr);
        ExtentList extents;
        ASSERT_TRUE(scan.scanner->BuildExtents(*bitmap, extents));
        bitmapOffset = extents.front().startSector * 512;
    }
    // deleted-big.txt began at cluster 2643: mark it in use.
    Bytes byte = test::ReadFileBytes(copy, bitmapOffset + 2643 / 8, 1);
    byte[0] |= 1u << (2643 % 8);
    test::PatchFile(copy, bitmapOffset + 2643 / 8, byte);

    NtfsImageScan deletedMode(copy);
    std::vector<std::string> marked;
    for (const RootIndex root : {RootIndex::Deleted, RootIndex::Recent}) {
        test::ForEachNode(deletedMode.Root(root), [&](const ScanNode& node, const std::string& path) {
            if (node.Has(kFlagOverwritten)) marked.push_back(path);
        });
    }
    EXPECT_EQ(marked, (std::vector<std::string>{"deleted-big.txt", "deleted-big.txt"}));

    test::ScanSetup formatted;
    formatted.mode = kModeFormattedVolume;
    NtfsImageScan otherMode(copy, formatted);
    EXPECT_FALSE(FindPath(otherMode.Root(RootIndex::Deleted), "deleted-big.txt")->Has(kFlagOverwritten));
}

TEST_F(NtfsImageTest, DeletedFolderThatLostItsNameIsNamedFromItsParentsIndexEntry) {
    // ntfs-3g removed the folder's $FILE_NAME; its parent's INDX block still lists it.
    const std::vector<ManifestFile> nameless = test::LoadNtfsManifest("ntfs-nameless");
    const fs::path original = test::TestImage("ntfs-nameless");
    const Bytes bytes = test::ReadFileBytes(original, 0, static_cast<std::size_t>(fs::file_size(original)));
    Bytes utf16;
    for (const char16_t c : std::u16string_view(u"Big Folder")) utf16.insert(utf16.end(), {static_cast<std::uint8_t>(c), 0});
    const auto at = std::search(bytes.begin(), bytes.end(), utf16.begin(), utf16.end());
    ASSERT_NE(at, bytes.end());
    const std::size_t entry = static_cast<std::size_t>(at - bytes.begin()) - 0x52;  // the key's name is at 0x42
    const std::size_t block = entry / 4096 * 4096;
    const std::size_t sequence = bytes[block + 4] | (bytes[block + 5] << 8);
    const auto le32 = [](std::size_t value) { return Bytes{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), 0, 0}; };
    const struct {
        const char* damage;
        std::size_t offset;
        Bytes patch;
        bool named;
    } cases[] = {
        {"the entry lies in the slack after the block's live entries", block + 0x1C, le32(entry - block - 0x18), true},
        {"the reference carries another sequence number", entry + 6, {0x09, 0x00}, true},
        {"the reference names another record", entry, {0x01}, false},
        {"the block's update sequence does not match its sectors", block + sequence, {0xEE, 0xEE}, false},
    };
    for (const auto& c : cases) {
        const fs::path copy = test::CopyOfImage("ntfs-nameless", dir.Path());
        test::PatchFile(copy, c.offset, c.patch);
        NtfsImageScan scan(copy);
        EXPECT_EQ(FindPath(scan.Root(RootIndex::Deleted), "Keep/Big Folder") != nullptr, c.named) << c.damage;
        EXPECT_EQ(test::ChildNamesOf(scan.Root(RootIndex::Scanned)), c.named ? std::vector<std::string>{} : std::vector<std::string>{"Dir_1"})
            << c.damage;
        for (const ManifestFile& file : nameless) {
            if (!file.path.starts_with("Keep/Big Folder/")) continue;
            const std::string path = c.named ? file.path : "Dir_1/" + file.path.substr(16);
            ExpectReadsBack(scan, c.named ? RootIndex::Deleted : RootIndex::Scanned, file, path);
        }
    }
}

TEST_F(NtfsImageTest, DataHeldInTheRecordReadsByOffsetAndNeverPastItsSize) {
    NtfsImageScan scan(image);
    const ScanNode* icon = FindPath(scan.Root(RootIndex::Root), "Media/icon.bin");
    ASSERT_TRUE(icon != nullptr && icon->size == 600);
    ExtentList extents;
    ASSERT_TRUE(scan.scanner->BuildExtents(*icon, extents));
    Bytes whole(600);
    Bytes tail(500);
    ASSERT_TRUE(scan.scanner->ReadNodeData(whole, 0, *icon, extents));
    ASSERT_TRUE(scan.scanner->ReadNodeData(tail, 100, *icon, extents));
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), whole.begin() + 100));
    Bytes tooMuch(601, 0xEE);
    EXPECT_FALSE(scan.scanner->ReadNodeData(tooMuch, 0, *icon, extents));
    EXPECT_EQ(tooMuch, Bytes(601, 0));
}

TEST_F(NtfsImageTest, TruncatedImagesScanWhatTheyStillHold) {
    const std::uint64_t mft = RecordOffset(0);
    for (const std::uint64_t length : {std::uint64_t{4096}, mft + 1024, mft + 80 * 1024 + 512, mft + 200 * 1024}) {
        const fs::path copy = test::CopyOfImage("ntfs", dir.Path());
        fs::resize_file(copy, length);
        NtfsImageScan scan(copy);
        ASSERT_NE(scan.scanner, nullptr) << length;
        // With records 0 to 79 read, the live files among them are there.
        const bool recordsRead = length >= mft + 80 * 1024;
        EXPECT_EQ(FindPath(scan.Root(RootIndex::Root), "Documents/report.txt") != nullptr, recordsRead) << length;
    }
}

TEST_F(NtfsImageTest, GarbageRecordsAndRecordsThatLieAboutTheirLengthsLoseOnlyThemselves) {
    const fs::path copy = test::CopyOfImage("ntfs", dir.Path());
    // readme.txt (73): its second attribute claims length 0; tiny.txt (74): 0xF000 bytes.
    for (const auto& [record, high] : {std::pair{73u, 0x00}, std::pair{74u, 0xF0}}) {
        const std::uint64_t offset = RecordOffset(record);
        Bytes bytes = test::ReadFileBytes(copy, offset, 1024);
        const std::size_t second = 0x38 + (bytes[0x3C] | (bytes[0x3D] << 8));
        bytes[second + 4] = 0;
        bytes[second + 5] = static_cast<std::uint8_t>(high);
        test::PatchFile(copy, offset, bytes);
    }
    // Records 100 to 127: a signature, then noise.
    Bytes noise(28 * 1024);
    std::uint32_t state = 12345;
    for (std::uint8_t& byte : noise) byte = static_cast<std::uint8_t>((state = state * 1103515245u + 12345u) >> 16);
    for (std::size_t record = 0; record < 28; ++record) std::copy_n("FILE", 4, noise.begin() + record * 1024);
    test::PatchFile(copy, RecordOffset(100), noise);

    NtfsImageScan scan(copy);
    EXPECT_EQ(FindPath(scan.Root(RootIndex::Root), "readme.txt"), nullptr);
    EXPECT_EQ(FindPath(scan.Root(RootIndex::Root), "tiny.txt"), nullptr);
    for (const ManifestFile& file : manifest) {
        if (file.deleted || file.isDirectory || file.record == 73 || file.record == 74) continue;
        ExpectReadsBack(scan, RootIndex::Root, file);
    }
}

TEST(NtfsInitializedSizeTest, DataPastTheInitializedSizeReadsAsZerosFromAnyOffset) {
    // The clusters past the initialized size still hold the text written before the patch; the
    // whole read is checked against the manifest by the command line's test, this one reads across.
    NtfsImageScan scan(test::TestImage("ntfs-initsize"));
    int patched = 0;
    for (const ManifestFile& file : test::LoadNtfsManifest("ntfs-initsize")) {
        if (!file.validLength) continue;
        const ScanNode* node = FindPath(scan.Root(file.deleted ? RootIndex::Deleted : RootIndex::Root), file.path);
        ASSERT_NE(node, nullptr) << file.path;
        const auto whole = test::ReadNodeBytes(*scan.scanner, *node);
        ASSERT_TRUE(whole) << file.path;
        // A read that starts before the initialized size and ends after it.
        ExtentList extents;
        ASSERT_TRUE(scan.scanner->BuildExtents(*node, extents));
        Bytes across(1000, 0xEE);
        ASSERT_TRUE(scan.scanner->ReadNodeData(across, *file.validLength - 300, *node, extents)) << file.path;
        EXPECT_TRUE(std::equal(across.begin(), across.end(), whole->begin() + static_cast<std::ptrdiff_t>(*file.validLength - 300)))
            << file.path;
        ++patched;
    }
    EXPECT_EQ(patched, 2);
}

}  // namespace
}  // namespace tundrel
