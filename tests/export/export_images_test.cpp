// Recovery of the test disks' live and deleted files, checked against their manifests, and
// names on disk rewritten to leave the destination.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "modes/all_scanners.h"
#include "modes/scan_plan.h"
#include "modes/scan_session.h"
#include "export/export_selection.h"
#include "export/export_writer.h"
#include "export/node_times.h"
#include "export/safe_name.h"
#include "export_double.h"
#include "manifest.h"
#include "md5.h"
#include "scan/volume_scanner.h"
#include "support/text.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;

// The manifests give times in UTC, and FAT keeps local times: the whole test runs in UTC.
class UtcZone {
public:
    UtcZone() {
        if (const char* zone = std::getenv("TZ")) previous_ = zone;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone() {
        if (previous_) {
            ::setenv("TZ", previous_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> previous_;
};

struct ExportedFile {
    const ScanNode* node;
    fs::path path;
    struct stat info;
};

// The MD5 of every file below `folder`, by path.
std::map<fs::path, std::string> Md5Sums(const fs::path& folder) {
    std::map<fs::path, std::string> sums;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) sums[entry.path()] = test::Md5Hex(test::FileBytes(entry.path()));
    }
    return sums;
}

class ImageExport {
public:
    explicit ImageExport(const fs::path& image) {
        fs::create_directory(destination);
        const ScanPlan plan = PlanScanTasks({image.string(), kModeDeletedFiles, std::nullopt}, AllFileSystems(), AllScanners());
        session.Run(plan.tasks, nullptr);
        scanned = plan.refusal == PlanRefusal::None && !session.Scanners().empty();
    }

    // Checks the given roots, exports them and notes where each checked node went.
    void Export(std::initializer_list<RootIndex> roots) {
        VolumeScanner& scanner = *session.Scanners().front();
        for (const RootIndex root : roots) CheckSubtree(scanner, scanner.roots[root]);
        ExportCounters counters;
        FolderRenameCounter renames;
        ExportWriter writer(prompt, log, counters, renames);
        outcome = writer.Run({{{&scanner, ""}}, destination.string(), std::nullopt});
        for (const RootIndex root : roots) Note(scanner.roots[root], destination);
    }

    ScanSession session;
    bool scanned = false;
    test::TempDir sandbox;
    fs::path destination = sandbox / "out";
    test::RecordingPrompt prompt;
    ExportLog log;
    ExportOutcome outcome;
    std::vector<ExportedFile> files;
    std::vector<fs::path> folders;

private:
    void Note(const ScanNode& node, const fs::path& into) {
        const fs::path path = into / SafePathComponent(node.name ? node.name : u"").name;
        if (node.IsDirectory()) {
            folders.push_back(path);
            for (const ScanNode& child : node.children) Note(child, path);
            return;
        }
        ExportedFile file{&node, path, {}};
        ::stat(path.c_str(), &file.info);  // before anything reads the data and moves the access time
        files.push_back(file);
    }
};

class ImageExportTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ImageExportTest, LiveAndDeletedFilesMatchTheManifest) {
    const UtcZone utc;
    const fs::path image = test::TestImage(GetParam());
    ASSERT_FALSE(image.empty());
    ImageExport run(image);
    ASSERT_TRUE(run.scanned);
    run.Export({RootIndex::Root, RootIndex::Deleted});
    EXPECT_FALSE(run.outcome.stopped);
    EXPECT_EQ(run.log.CountOf(LogLevel::Error), 0u);

    const fs::path live = run.destination / ToUtf8(Text16(StringId::RootDirectory));
    const fs::path deleted = run.destination / ToUtf8(Text16(StringId::DeletedFiles));

    for (const fs::path& folder : run.folders) EXPECT_TRUE(fs::is_directory(folder)) << folder;
    std::size_t liveCount = 0;
    for (const ExportedFile& file : run.files) {
        ASSERT_TRUE(fs::is_regular_file(file.path)) << file.path;
        EXPECT_EQ(static_cast<std::uint64_t>(file.info.st_size), file.node->size) << file.path;
        const auto modified = ModifiedMomentOf(*file.node);
        const auto accessed = AccessedMomentOf(*file.node);
        if (modified) {
            EXPECT_EQ(file.info.st_mtim.tv_sec, modified->tv_sec) << file.path;
        }
        if (accessed) {
            EXPECT_EQ(file.info.st_atim.tv_sec, accessed->tv_sec) << file.path;
        }
        if (file.path.string().starts_with(live.string())) ++liveCount;
    }

    const std::map<fs::path, std::string> sums = Md5Sums(run.destination);
    std::multiset<std::string> deletedSums;
    for (const auto& [path, sum] : sums) {
        if (path.string().starts_with(deleted.string())) deletedSums.insert(sum);
    }
    std::size_t liveInManifest = 0;
    for (const test::ManifestFile& file : test::LoadManifest(GetParam())) {
        if (file.isDirectory) continue;
        if (!file.deleted) {
            ++liveInManifest;
            const fs::path path = live / file.path;
            ASSERT_TRUE(sums.count(path)) << path;
            EXPECT_EQ(sums.at(path), file.md5) << path;
            struct stat info = {};
            ASSERT_EQ(::stat(path.c_str(), &info), 0);
            EXPECT_EQ(info.st_mtime, file.mtimeEpoch) << path;
        } else if (file.reusable) {
            EXPECT_TRUE(deletedSums.count(file.md5)) << file.path;
        }
    }
    EXPECT_EQ(liveCount, liveInManifest);
    EXPECT_GT(liveInManifest, 10u);
    EXPECT_GT(deletedSums.size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(TestDisks, ImageExportTest, ::testing::Values("fat16", "fat32", "ntfs", "exfat", "fat12"));

// A deleted file whose first cluster was reused is written with a caution; the damaged
// long-name entry beside it is no file to write, and the other deleted files come back whole.
TEST(DamagedImageExportTest, OverwrittenFilesAreCautionedAndTheRestIsRecovered) {
    const fs::path image = test::TestImage("fat16-damage");
    ASSERT_FALSE(image.empty());
    ImageExport run(image);
    ASSERT_TRUE(run.scanned);
    run.Export({RootIndex::Deleted});
    EXPECT_EQ(run.log.CountOf(LogLevel::Error), 0u);
    std::set<std::string> cautioned;
    for (const LogEntry& entry : run.log.Entries()) {
        if (entry.level == LogLevel::Caution && entry.text.find("Old notes.txt") != std::string::npos) cautioned.insert(entry.text);
    }
    EXPECT_EQ(cautioned.size(), 1u);
    std::multiset<std::string> sums;
    for (const auto& [path, sum] : Md5Sums(run.destination)) sums.insert(sum);
    EXPECT_EQ(sums.size(), 3u);
    for (const test::ManifestFile& file : test::LoadManifest("fat16-damage")) {
        if (file.reusable) EXPECT_TRUE(sums.count(file.md5)) << file.path;
    }
}

TEST(ValidLengthExportTest, ExportedFilesHoldZerosPastTheirValidLength) {
    for (const char* name : {"ntfs-initsize", "exfat-512"}) {
        ImageExport run(test::TestImage(name));
        ASSERT_TRUE(run.scanned) << name;
        run.Export({RootIndex::Root});
        const std::map<fs::path, std::string> sums = Md5Sums(run.destination);
        std::ifstream manifestFile(fs::path(TUNDREL_TEST_DATA_DIR) / "images" / (std::string(name) + ".manifest.json"));
        const auto manifest = nlohmann::json::parse(manifestFile);
        int patched = 0;
        for (const auto& entry : manifest["partitions"][0]["files"]) {
            if (!entry.contains("validLength") || entry["state"] != "live") continue;
            const fs::path path = run.destination / ToUtf8(Text16(StringId::RootDirectory)) /
                                  fs::path(entry["path"].get<std::string>()).relative_path();
            ASSERT_TRUE(sums.count(path)) << path;
            EXPECT_EQ(sums.at(path), entry["md5"].get<std::string>()) << path;
            ++patched;
        }
        EXPECT_EQ(patched, 1) << name;
    }
}

// Replaces every UTF-16LE occurrence of `from` in the image by `to` (of the same length).
std::size_t PatchNames(const fs::path& image, std::u16string_view from, std::u16string_view to) {
    std::vector<std::uint8_t> bytes = test::FileBytes(image);
    const auto encode = [](std::u16string_view text) {
        std::vector<std::uint8_t> out;
        for (const char16_t c : text) {
            out.push_back(static_cast<std::uint8_t>(c & 0xFF));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        return out;
    };
    const std::vector<std::uint8_t> needle = encode(from);
    const std::vector<std::uint8_t> replacement = encode(to);
    std::size_t count = 0;
    for (auto at = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end()); at != bytes.end();
         at = std::search(at + 1, bytes.end(), needle.begin(), needle.end())) {
        std::copy(replacement.begin(), replacement.end(), at);
        ++count;
    }
    test::WriteBinaryFile(image, bytes);
    return count;
}

struct HostileCase {
    const char* image;
    std::u16string_view from;
    std::u16string_view to;
    const char* expected;  // the rewritten name, somewhere below the destination
};

class HostileNameTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileNameTest, NamesWithPathSeparatorsStayInsideTheDestination) {
    const HostileCase& hostile = GetParam();
    const fs::path original = test::TestImage(hostile.image);
    ASSERT_FALSE(original.empty());
    test::TempDir work;
    const fs::path image = work / "patched.img";
    fs::copy_file(original, image);
    // Long FAT names carry no checksum over their characters; NTFS names sit inside the
    // records between the fix-up positions.
    ASSERT_GT(PatchNames(image, hostile.from, hostile.to), 0u);

    ImageExport run(image);
    ASSERT_TRUE(run.scanned);
    run.Export({RootIndex::Root, RootIndex::Deleted});

    bool found = false;
    for (const auto& entry : fs::recursive_directory_iterator(run.sandbox.Path())) {
        found = found || entry.path().filename() == hostile.expected;
    }
    EXPECT_TRUE(found) << hostile.expected;
    // Nothing appeared beside the destination.
    EXPECT_EQ(std::distance(fs::directory_iterator(run.sandbox.Path()), fs::directory_iterator()), 1);
    bool logged = false;
    for (const LogEntry& entry : run.log.Entries()) {
        logged = logged || (entry.level == LogLevel::Renamed && entry.text.find(hostile.expected) != std::string::npos);
    }
    EXPECT_TRUE(logged);
}

INSTANTIATE_TEST_SUITE_P(
    PatchedImages, HostileNameTest,
    ::testing::Values(HostileCase{"fat16", u"Proje", u"../..", ".._..ct Plan 2023.txt"},
                      HostileCase{"fat16", u"Old P", u"../..", ".._..rojects"},
                      HostileCase{"ntfs", u"deleted-big", u"../../x/big", ".._.._x_big.txt"}));

}  // namespace
}  // namespace tundrel
