// The export writer over a scanner double: what reaches the destination, what the log says,
// and what never happens (stale bytes, files written outside the destination or through a
// hard link, half-written files, failures reported as written).

#include "export/export_writer.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "export/node_times.h"
#include "export_double.h"
#include "support/display_format.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using test::DoubleScanner;

constexpr std::uint32_t kChecked = kFlagChecked;

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ExportWriterTest : public ::testing::Test {
protected:
    ExportOutcome Export(std::vector<ExportVolume> volumes = {}) {
        if (volumes.empty()) volumes.push_back({&scanner, ""});
        ExportWriter writer(prompt, log, counters, folderRenames);
        log.SetRecordListener([this](const ExportRecord& record) { records.push_back(record); });
        return writer.Run({volumes, destination.string(), collisionChoice});
    }
    // The last record of the node named `name`.
    ExportRecord RecordOf(std::u16string_view name) const {
        const auto found = std::find_if(records.rbegin(), records.rend(), [&](const ExportRecord& record) {
            return record.node != nullptr && record.node->name != nullptr && name == record.node->name;
        });
        EXPECT_NE(found, records.rend()) << ToUtf8(name);
        return found != records.rend() ? *found : ExportRecord{};
    }
    std::size_t Logged(LogLevel level) const { return log.CountOf(level); }
    bool LogMentions(LogLevel level, const std::string& part) const {
        return std::ranges::any_of(log.Entries(), [&](const LogEntry& entry) {
            return entry.level == level && entry.text.find(part) != std::string::npos;
        });
    }
    fs::path Deleted() const { return destination / ToUtf8(Text16(StringId::DeletedFiles)); }

    test::DoubleVolumes volumes;
    DoubleScanner& scanner = volumes.Add();
    fs::path destination = volumes.dir / "out";
    test::RecordingPrompt prompt;
    ExportLog log;
    ExportCounters counters;
    FolderRenameCounter folderRenames;
    std::optional<CollisionChoice> collisionChoice;
    std::vector<ExportRecord> records;
    test::TreeBuilder& tree = volumes.tree;

    void SetUp() override { fs::create_directory(destination); }
};

TEST_F(ExportWriterTest, CheckedNodesBecomeFoldersAndFilesWithTheirDataAndTimes) {
    ScanNode big = volumes.File(u"big.bin", 10, 150000, kChecked);  // three pieces, the last one short
    big.modifiedDate = PackFatDate(2023, 2, 6);
    big.modifiedTime = PackTime(9, 32, 38);
    big.milliseconds = 250;  // the creation time's, not the modification time's
    big.accessedDate = PackFatDate(2023, 2, 7);
    ScanNode empty = volumes.File(u"empty.txt", 0, 0, kChecked);
    ScanNode unchecked = volumes.File(u"left.txt", 400, 100);
    ScanNode emptyFolder = tree.Dir(u"nothing inside", {volumes.File(u"also left.txt", 500, 10)}, kChecked);
    volumes.Place(scanner, RootIndex::Deleted,
                  {tree.Dir(u"docs", {emptyFolder, big, empty, unchecked}, kFlagPartlyChecked)}, kFlagPartlyChecked);

    const ExportOutcome outcome = Export();

    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.filesWritten, 2u);
    const fs::path docs = Deleted() / "docs";
    // Taken before the data is read back: reading moves the access time on.
    struct stat info = {};
    ASSERT_EQ(::stat((docs / "big.bin").c_str(), &info), 0);
    EXPECT_EQ(test::FileBytes(docs / "big.bin"), volumes.ImageBytes(10, 150000));
    ASSERT_TRUE(fs::is_regular_file(docs / "empty.txt"));
    EXPECT_EQ(fs::file_size(docs / "empty.txt"), 0u);
    EXPECT_TRUE(fs::is_directory(docs / "nothing inside"));
    EXPECT_TRUE(fs::is_empty(docs / "nothing inside"));
    EXPECT_FALSE(fs::exists(docs / "left.txt"));

    const auto modified = ModifiedMomentOf(big);
    const auto accessed = AccessedMomentOf(big);
    ASSERT_TRUE(modified && accessed);
    EXPECT_EQ(info.st_mtim.tv_sec, modified->tv_sec);
    EXPECT_EQ(info.st_mtim.tv_nsec, 0);
    EXPECT_EQ(info.st_atim.tv_sec, accessed->tv_sec);

    EXPECT_EQ(Logged(LogLevel::Written), 2u);
    EXPECT_EQ(Logged(LogLevel::Error), 0u);
    // One record per file, none for the folders made under their own names.
    ASSERT_EQ(records.size(), 2u);
    const ExportRecord written = RecordOf(u"big.bin");
    EXPECT_EQ(written.status, ExportStatus::Written);
    EXPECT_EQ(written.path, ToUtf8(Text16(StringId::DeletedFiles)) + "/docs/big.bin");
    EXPECT_EQ(written.bytes, 150000u);
    EXPECT_EQ(counters.allDone.load(), 150000u);
    EXPECT_EQ(prompt.told, std::vector<StringId>{StringId::ExportComplete});
    // The being-exported mark is gone again.
    EXPECT_FALSE(scanner.roots[RootIndex::Deleted].children[0].children[1].Has(kFlagExporting));
}

TEST_F(ExportWriterTest, FilesThatFailAreLoggedAsErrorsAndNeverAsWritten) {
    ScanNode lost = volumes.File(u"no-extents.txt", 100, 5000, kChecked);
    scanner.noExtents.insert(100);
    ScanNode unreadable = volumes.File(u"unreadable.bin", 200, 70000, kChecked);
    scanner.unreadable.insert(200);
    ScanNode guessed = volumes.File(u"guessed.bin", 300, 1000, kChecked | kFlagGuessedExtent);
    ScanNode overwritten = volumes.File(u"overwritten.bin", 400, 1000, kChecked | kFlagDeleted | kFlagOverwritten);
    volumes.Place(scanner, RootIndex::Lost, {lost, unreadable, guessed, overwritten}, kChecked);

    Export();

    const fs::path lostFolder = destination / ToUtf8(Text16(StringId::LostFiles));
    // A file whose data cannot be located is not left behind as an empty "recovered" file.
    EXPECT_FALSE(fs::exists(lostFolder / "no-extents.txt"));
    // What could not be read is zeros.
    EXPECT_EQ(test::FileBytes(lostFolder / "unreadable.bin"), std::vector<std::uint8_t>(70000, 0));
    // The reason is said, not cut off.
    EXPECT_TRUE(LogMentions(LogLevel::Error, "no-extents.txt\r\n" + std::string(Text(StringId::FileDataNotLocated))));
    // The closing words do not claim that everything was recovered.
    EXPECT_EQ(prompt.told, std::vector<StringId>{StringId::ExportIncomplete});
    EXPECT_TRUE(LogMentions(LogLevel::Error, "unreadable.bin"));
    EXPECT_FALSE(LogMentions(LogLevel::Written, "unreadable.bin"));
    EXPECT_TRUE(LogMentions(LogLevel::Caution, "guessed.bin"));
    EXPECT_TRUE(LogMentions(LogLevel::Caution, "overwritten.bin"));
    EXPECT_EQ(counters.filesWritten.load(), 2u);
    // One word per file and its reason (empty here: any but none); a partly read file is a caution.
    const std::tuple<std::u16string_view, ExportStatus, std::string_view> expected[] = {
        {u"no-extents.txt", ExportStatus::Error, Text(StringId::FileDataNotLocated)},
        {u"unreadable.bin", ExportStatus::Caution, Text(StringId::SourceReadFailed)},
        {u"guessed.bin", ExportStatus::Caution, {}},
        {u"overwritten.bin", ExportStatus::Caution, {}},
    };
    std::set<std::string> reasons;
    for (const auto& [name, status, reason] : expected) {
        const ExportRecord record = RecordOf(name);
        EXPECT_EQ(record.status, status) << ToUtf8(name);
        EXPECT_TRUE(reason.empty() ? !record.reason.empty() : record.reason == reason) << record.reason;
        reasons.insert(record.reason);
    }
    EXPECT_EQ(reasons.size(), 4u);
}

TEST_F(ExportWriterTest, CollisionIsAskedOnceWhenTheChoiceIsKeptForTheRest) {
    fs::create_directories(Deleted());
    test::WriteBinaryFile(Deleted() / "same.txt", {1, 2, 3});
    volumes.Place(scanner, RootIndex::Deleted,
                  {volumes.File(u"same.txt", 10, 100, kChecked), volumes.File(u"same.txt", 20, 200, kChecked),
                   volumes.File(u"same.txt", 30, 300, kChecked)}, kChecked);
    prompt.collisionAnswer = {CollisionChoice::Rename, true, ""};

    Export();

    ASSERT_EQ(prompt.collisions.size(), 1u);
    EXPECT_EQ(prompt.collisions[0].existingTarget, (Deleted() / "same.txt").string());
    EXPECT_EQ(test::FileBytes(Deleted() / "same.txt"), (std::vector<std::uint8_t>{1, 2, 3}));
    std::vector<std::uintmax_t> sizes;
    for (const auto& entry : fs::directory_iterator(Deleted())) {
        if (entry.path().filename() == "same.txt") continue;
        EXPECT_NE(entry.path().filename().string().find("same__rename_"), std::string::npos);
        EXPECT_EQ(entry.path().extension(), ".txt");
        sizes.push_back(entry.file_size());
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<std::uintmax_t>{100, 200, 300}));
    EXPECT_EQ(Logged(LogLevel::Renamed), 3u);
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [](const ExportRecord& record) { return record.status == ExportStatus::Renamed; }),
              3);
}

TEST_F(ExportWriterTest, NamesAndLinksFromTheDiskOrTheDestinationNeverLeadOutOfIt) {
    const fs::path outside = volumes.dir / "outside";
    fs::create_directory(outside);
    // A link planted in the destination must not lead the export out of it.
    fs::create_directory_symlink(outside, Deleted().parent_path() / "planted");
    fs::create_directories(Deleted());
    fs::create_directory_symlink(outside, Deleted() / "evil");
    fs::create_symlink(outside / "target.txt", Deleted() / "link.txt");
    // An overwrite replaces the name: a hard link to a file outside keeps that file's data.
    test::WriteBinaryFile(volumes.dir / "elsewhere.txt", {1, 2, 3});
    fs::create_hard_link(volumes.dir / "elsewhere.txt", Deleted() / "same.txt");
    volumes.Place(scanner, RootIndex::Deleted,
                  {tree.Dir(u"..", {volumes.File(u"../../escape.txt", 10, 100, kChecked)}, kChecked),
                   tree.Dir(u"evil", {volumes.File(u"inside.txt", 20, 100, kChecked)}, kChecked),
                   volumes.File(u".", 30, 10, kChecked), volumes.File(u"a/b\ncd", 40, 10, kChecked),
                   volumes.File(u"link.txt", 50, 10, kChecked), volumes.File(u"same.txt", 60, 100, kChecked)},
                  kChecked);
    collisionChoice = CollisionChoice::Overwrite;

    Export();

    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(test::FileBytes(volumes.dir / "elsewhere.txt"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(test::FileBytes(Deleted() / "same.txt"), volumes.ImageBytes(60, 100));
    EXPECT_TRUE(fs::exists(Deleted() / "__" / ".._.._escape.txt"));
    EXPECT_TRUE(fs::exists(Deleted() / "_"));
    EXPECT_TRUE(fs::exists(Deleted() / "a_b_cd"));
    EXPECT_TRUE(fs::is_symlink(Deleted() / "link.txt"));
    EXPECT_TRUE(LogMentions(LogLevel::Error, "link.txt"));
    // The folder the link stands in the way of is made under the fallback name.
    EXPECT_TRUE(fs::exists(Deleted() / "NewPath_Renam 1" / "inside.txt"));
    EXPECT_TRUE(LogMentions(LogLevel::Renamed, "escape.txt"));
    EXPECT_TRUE(LogMentions(LogLevel::Renamed, "a_b_cd"));
    EXPECT_FALSE(LogMentions(LogLevel::Written, "link.txt"));
    const std::string deleted = ToUtf8(Text16(StringId::DeletedFiles));
    EXPECT_EQ(RecordOf(u"link.txt").status, ExportStatus::Error);
    EXPECT_NE(RecordOf(u"link.txt").reason, "");
    EXPECT_EQ(RecordOf(u"../../escape.txt").status, ExportStatus::Renamed);
    EXPECT_EQ(RecordOf(u"../../escape.txt").path, deleted + "/__/.._.._escape.txt");
    EXPECT_EQ(RecordOf(u"evil").status, ExportStatus::Renamed);
    EXPECT_EQ(RecordOf(u"evil").path, deleted + "/NewPath_Renam 1");
}

TEST_F(ExportWriterTest, FolderRenameNumbersCountOnAcrossExports) {
    fs::create_directories(Deleted());
    test::WriteBinaryFile(Deleted() / "taken", {1});
    volumes.Place(scanner, RootIndex::Deleted,
                  {tree.Dir(u"taken", {volumes.File(u"f.txt", 10, 10, kChecked)}, kChecked)}, kChecked);

    Export();
    fs::remove_all(Deleted() / "NewPath_Renam 1");
    Export();

    EXPECT_FALSE(fs::exists(Deleted() / "NewPath_Renam 1"));
    EXPECT_TRUE(fs::exists(Deleted() / "NewPath_Renam 2" / "f.txt"));
}

TEST_F(ExportWriterTest, SeveralVolumesGetAFolderEach) {
    DoubleScanner& second = volumes.Add(3);
    volumes.Place(scanner, RootIndex::Deleted, {volumes.File(u"one.txt", 10, 10, kChecked)}, kChecked);
    volumes.Place(second, RootIndex::Root, {volumes.File(u"two.txt", 20, 10, kChecked)}, kFlagPartlyChecked);
    DoubleScanner& unselected = volumes.Add(4);
    volumes.Place(unselected, RootIndex::Deleted, {volumes.File(u"three.txt", 30, 10)});

    Export({{&scanner, "FIRST/VOL"}, {&second, ""}, {&unselected, "THIRD"}});

    EXPECT_TRUE(fs::exists(destination / "FIRST_VOL [FAT32 1.00M]" / ToUtf8(Text16(StringId::DeletedFiles)) / "one.txt"));
    EXPECT_TRUE(fs::exists(destination / "Volume1 [NTFS 1.00M]" / ToUtf8(Text16(StringId::RootDirectory)) / "two.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(destination), fs::directory_iterator()), 2);
    EXPECT_EQ(RecordOf(u"two.txt").scanner, &second);
    EXPECT_EQ(RecordOf(u"two.txt").path,
              "Volume1 [NTFS 1.00M]/" + ToUtf8(Text16(StringId::RootDirectory)) + "/two.txt");

    // A volume folder that cannot be made: each root folder that was to go in it fails.
    fs::remove_all(destination / "Volume1 [NTFS 1.00M]");
    test::WriteBinaryFile(destination / "Volume1 [NTFS 1.00M]", {1});
    records.clear();
    Export({{&scanner, "FIRST/VOL"}, {&second, ""}});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].node, &second.roots[RootIndex::Root]);
    EXPECT_EQ(records[1].status, ExportStatus::Error);
    EXPECT_EQ(records[1].reason, "Not a directory");
}

TEST_F(ExportWriterTest, FullDestinationStopsTheExport) {
    test::TmpfsMount small("256k", false);
    if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    destination = small.Path();
    volumes.Place(scanner, RootIndex::Deleted,
                  {volumes.File(u"fills.bin", 0, 400000, kChecked), volumes.File(u"never.bin", 1000, 1000, kChecked)},
                  kChecked);
    prompt.confirm = false;  // "stop after this error?" No: the full disk stops it all the same

    const ExportOutcome outcome = Export();

    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.destinationFull);  // not a stop by the user
    EXPECT_NE(std::find(prompt.told.begin(), prompt.told.end(), StringId::DestinationFull), prompt.told.end());
    EXPECT_NE(std::find(prompt.asked.begin(), prompt.asked.end(), StringId::AskStopAfterWriteError), prompt.asked.end());
    EXPECT_TRUE(LogMentions(LogLevel::Error, "fills.bin"));
    EXPECT_TRUE(fs::is_empty(Deleted()));  // neither file, nor a temporary name of the first
    EXPECT_EQ(counters.filesWritten.load(), 0u);
}

// A file reaches the destination whole or not at all. With `true`, the destination is an
// exFAT volume through FUSE: no nameless files, no hard links and no rename that refuses to
// replace, so every fallback of the temporary name is taken.
class ExportCompletionTest : public ExportWriterTest, public ::testing::WithParamInterface<bool> {
protected:
    void TearDown() override {
        if (mounted) ::umount2(destination.c_str(), MNT_DETACH);
    }
    bool MountExfat() {
        const std::string image = (volumes.dir / "exfat.img").string();
        mounted = std::system(("truncate -s 4M '" + image + "' && mkfs.exfat '" + image + "' >/dev/null 2>&1 && " +
                               "mount -o loop -t exfat-fuse '" + image + "' '" + destination.string() + "' 2>/dev/null")
                                  .c_str()) == 0;
        return mounted;
    }
    bool mounted = false;
};

TEST_P(ExportCompletionTest, AStoppedFileLeavesNothingThatALaterRunWouldKeep) {
    if (GetParam() && !MountExfat()) GTEST_SKIP() << "mounting exFAT needs root, loop devices and FUSE";
    volumes.Place(scanner, RootIndex::Deleted,
                  {volumes.File(u"a.bin", 0, 200000, kChecked), volumes.File(u"b.bin", 600, 1000, kChecked)}, kChecked);
    scanner.onRead = [&](const ScanNode& node, std::uint64_t offset) {
        if (node.location == 0 && offset == kExportPieceBytes) counters.RequestStop();
    };
    EXPECT_TRUE(Export().stopped);
    EXPECT_EQ(NamesIn(Deleted()), std::vector<std::string>{});  // neither the file nor a temporary name of it
    EXPECT_EQ(Logged(LogLevel::Error), 1u);

    scanner.onRead = nullptr;
    counters.ClearStop();
    collisionChoice = CollisionChoice::Skip;
    EXPECT_FALSE(Export().stopped);
    EXPECT_EQ(test::FileBytes(Deleted() / "a.bin"), volumes.ImageBytes(0, 200000));

    test::WriteBinaryFile(Deleted() / "b.bin", {9});
    collisionChoice = CollisionChoice::Overwrite;
    Export();
    EXPECT_EQ(test::FileBytes(Deleted() / "b.bin"), volumes.ImageBytes(600, 1000));
    EXPECT_EQ(NamesIn(Deleted()), (std::vector<std::string>{"a.bin", "b.bin"}));
}

INSTANTIATE_TEST_SUITE_P(NamelessAndHiddenTemporaries, ExportCompletionTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ExfatFuseVolume" : "TestFolder"; });

}  // namespace
}  // namespace tundrel
