// Saved scan results: scans of the committed images saved and opened again give the same trees
// and the same file data without reading the disk; damaged files give a clear error.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <typeinfo>

#include "image_scan.h"
#include "manifest.h"
#include "md5.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "modes/scan_plan.h"
#include "modes/scan_session.h"
#include "scan/node_records.h"
#include "scan/result_file.h"
#include "support/archive_writer.h"
#include "test_support.h"

namespace tundrel {
namespace {

std::vector<ScanTask> TasksOf(const std::filesystem::path& image, std::uint32_t mode) {
    return PlanScanTasks({image.string(), mode, std::nullopt}, AllFileSystems(), AllScanners()).tasks;
}

std::unique_ptr<ScanSession> ScanRun(const std::vector<ScanTask>& tasks) {
    auto session = std::make_unique<ScanSession>();
    session->Run(tasks, nullptr);
    return session;
}

std::vector<std::uint8_t> Saved(const ScanSession& session, std::uint32_t resultMode, const test::TempDir& dir) {
    EXPECT_EQ(SaveScanResults(dir / "r.kvf", session.contexts, resultMode, nullptr), ResultSaveError::None);
    return test::FileBytes(dir / "r.kvf");
}

OpenedResults Open(ScanSession& into, const std::vector<std::uint8_t>& bytes, bool compare = true,
                   platform::DeviceOpener opener = {}) {
    ScanEnvironment environment{into.settings, into.progress, AllScanners()};
    environment.opener = std::move(opener);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    return OpenScanResults(in, bytes.size(), environment, into.contexts, compare);
}

struct Compared {
    std::size_t nodes = 0, streams = 0, damaged = 0, filesRead = 0;
};

void ExpectSameTree(VolumeScanner& scanned, const ScanNode& a, VolumeScanner& loaded, const ScanNode& b, Compared& seen) {
    const std::string where = ToUtf8(NameOf(a));
    ++seen.nodes;
    seen.streams += a.Has(kFlagStream);
    seen.damaged += a.Has(kFlagOverwritten);
    EXPECT_EQ(a.name == nullptr, b.name == nullptr) << where;
    EXPECT_EQ(NameOf(a), NameOf(b)) << where;
    EXPECT_EQ(a.flags & ~std::uint32_t{kFlagLostSearchMark}, b.flags) << where;
    EXPECT_EQ(std::tie(a.location, a.size, a.createdTime, a.createdDate, a.accessedDate, a.modifiedTime, a.modifiedDate,
                       a.milliseconds, a.recordNumber, a.extra),
              std::tie(b.location, b.size, b.createdTime, b.createdDate, b.accessedDate, b.modifiedTime, b.modifiedDate,
                       b.milliseconds, b.recordNumber, b.extra))
        << where;
    ASSERT_EQ(a.children.size(), b.children.size()) << where;
    if (!a.IsDirectory() && a.size > 0 && seen.filesRead < 200) {
        ++seen.filesRead;
        EXPECT_EQ(test::ReadNodeBytes(scanned, a), test::ReadNodeBytes(loaded, b)) << where;
    }
    for (std::size_t i = 0; i < a.children.size(); ++i) {
        EXPECT_EQ(b.children[i].parent, &b) << where;
        ExpectSameTree(scanned, a.children[i], loaded, b.children[i], seen);
    }
}

struct RoundTrip {
    const char* image;
    std::uint32_t mode;
    bool holdsStream, holdsDamaged;
};

class ResultRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ResultRoundTripTest, TheOpenedTreesAndDataEqualTheScannedOnes) {
    const RoundTrip& trip = GetParam();
    const test::TempDir dir;
    auto scanned = ScanRun(TasksOf(test::TestImage(trip.image), trip.mode));
    const std::vector<std::uint8_t> bytes = Saved(*scanned, ResultModeOf(trip.mode), dir);
    ScanSession loaded;
    const OpenedResults opened = Open(loaded, bytes);
    ASSERT_EQ(opened.status, ResultOpenStatus::Opened);
    EXPECT_EQ(opened.version, kResultFileVersion);
    EXPECT_EQ(TaskModeOf(opened.resultMode), trip.mode);
    ASSERT_EQ(loaded.contexts.size(), scanned->contexts.size());
    for (std::size_t task = 0; task < loaded.contexts.size(); ++task) {
        EXPECT_EQ(loaded.contexts[task]->mode, trip.mode);
        EXPECT_EQ(loaded.contexts[task]->source.totalSectors, scanned->contexts[task]->source.totalSectors);
        EXPECT_EQ(loaded.contexts[task]->volume.bootSector, scanned->contexts[task]->volume.bootSector);
    }
    const std::vector<VolumeScanner*> before = scanned->Scanners();
    const std::vector<VolumeScanner*> after = loaded.Scanners();
    ASSERT_EQ(before.size(), after.size());
    Compared seen;
    for (std::size_t index = 0; index < before.size(); ++index) {
        VolumeScanner& a = *before[index];
        VolumeScanner& b = *after[index];
        EXPECT_TRUE(typeid(a) == typeid(b));
        EXPECT_EQ(std::tie(a.fsType, a.volumeStart, a.volumeSectors, a.bootLoaded, a.bootSector, a.scannerWord),
                  std::tie(b.fsType, b.volumeStart, b.volumeSectors, b.bootLoaded, b.bootSector, b.scannerWord));
        // Each scanner's own fields, as the words they are stored as.
        const auto ownFields = [](VolumeScanner& scanner) {
            std::vector<std::uint32_t> words;
            if (const auto* ntfs = dynamic_cast<NtfsScanner*>(&scanner)) {
                words.push_back(ntfs->SectorAdjustment());
                for (const MftRun& run : ntfs->MftRuns()) words.insert(words.end(), {run.startCluster, run.clusterCount});
            }
            if (const auto* fat = dynamic_cast<FatScanner*>(&scanner)) words.push_back(fat->useSecondFat);
            if (const auto* exfat = dynamic_cast<ExFatScanner*>(&scanner)) words.insert(words.end(), {exfat->sectorScale, exfat->stateWord});
            return words;
        };
        EXPECT_EQ(ownFields(a), ownFields(b));
        for (std::size_t root = 0; root < kRootCount; ++root) ExpectSameTree(a, a.roots.roots[root], b, b.roots.roots[root], seen);
    }
    EXPECT_GT(seen.filesRead, 0u);
    EXPECT_TRUE(!trip.holdsStream || seen.streams > 0);
    EXPECT_TRUE(!trip.holdsDamaged || seen.damaged > 0);
}

INSTANTIATE_TEST_SUITE_P(CommittedImages, ResultRoundTripTest,
                         ::testing::Values(RoundTrip{"fat16", kModeDeletedFiles, false, true},
                                           RoundTrip{"fat32", kModeDeletedFiles, false, true},
                                           RoundTrip{"ntfs", kModeDeletedFiles, true, false},
                                           RoundTrip{"exfat", kModeDeletedFiles, false, true},
                                           RoundTrip{"sample-disk", kModeDeletedFiles, false, false},
                                           RoundTrip{"fat32-to-ntfs", kModeFullScan, false, false}),
                         [](const auto& info) {
                             std::string name = info.param.image;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// A result of two tasks on two images, the offset of its task count and that of the second
// task's first scanner type.
struct TwoTasks {
    std::vector<std::uint8_t> bytes;
    std::size_t taskCountOffset = 0;
    std::size_t secondTypeOffset = 0;
};

TwoTasks SavedTwoTasks(const test::TempDir& dir) {
    std::vector<ScanTask> tasks = TasksOf(test::TestImage("fat16"), kModeDeletedFiles);
    const std::vector<ScanTask> second = TasksOf(test::TestImage("ntfs"), kModeDeletedFiles);
    tasks.insert(tasks.end(), second.begin(), second.end());
    TwoTasks saved{Saved(*ScanRun(tasks), kResultDeletedFiles, dir)};
    // The header: magic, two words, the mode, the first source's name, model, serial and size,
    // the time ("YYYY-MM-DD HH:MM"), then the task count.
    std::ostringstream first;
    ArchiveWriter(first).String(ToUtf16(test::TestImage("fat16").string()));
    saved.taskCountOffset = 14 + first.str().size() + 4 + 4 + 8 + 4 + 2 * 16;
    // The second task's identity opens with the NTFS image's name, which the header does not hold.
    std::ostringstream name;
    ArchiveWriter(name).String(ToUtf16(test::TestImage("ntfs").string()));
    const std::string text(saved.bytes.begin(), saved.bytes.end());
    const std::size_t at = text.find(name.str());
    EXPECT_NE(at, std::string::npos);
    // name, model, serial, sector count, two words, the parameter word, the blocks, the scanner count
    saved.secondTypeOffset = at + name.str().size() + 4 + 4 + 8 + 4 + 4 + 4 + 62 + 84 + 512 + 4;
    return saved;
}

TEST(ResultFileTest, TwoTasksOpenInTheirOrderAndAnUnknownScannerTypeKeepsTheTasksBefore) {
    const test::TempDir dir;
    TwoTasks saved = SavedTwoTasks(dir);
    ScanSession loaded;
    ASSERT_EQ(Open(loaded, saved.bytes).status, ResultOpenStatus::Opened);
    ASSERT_EQ(loaded.contexts.size(), 2u);
    EXPECT_EQ(loaded.contexts[0]->source.name, ToUtf16(test::TestImage("fat16").string()));
    EXPECT_EQ(loaded.contexts[1]->source.name, ToUtf16(test::TestImage("ntfs").string()));
    EXPECT_EQ(loaded.Scanners()[1]->fsType, kFsNtfs);

    ASSERT_EQ(saved.bytes[saved.secondTypeOffset], kFsNtfs);
    saved.bytes[saved.secondTypeOffset] ^= 0x08;
    ScanSession stopped;
    const OpenedResults opened = Open(stopped, saved.bytes);
    EXPECT_EQ(opened.status, ResultOpenStatus::UnknownScannerType);
    EXPECT_EQ(opened.unknownScannerType, kFsNtfs ^ 0x08);
    ASSERT_EQ(stopped.contexts.size(), 1u);
    EXPECT_EQ(stopped.Scanners().size(), 1u);
}

TEST(ResultFileTest, DamagedFilesLoadNothing) {
    const test::TempDir dir;
    const TwoTasks saved = SavedTwoTasks(dir);
    const std::size_t body = saved.bytes.size() - kResultFileEnd.size();
    const auto expectNothing = [](const std::vector<std::uint8_t>& bytes, const std::string& what) {
        ScanSession loaded;
        EXPECT_EQ(Open(loaded, bytes).status, ResultOpenStatus::FormatError) << what;
        EXPECT_TRUE(loaded.contexts.empty()) << what;
    };
    // Cut short with the end marker kept, and cut short without it.
    for (std::size_t length = 0; length < body; length += 10) {
        std::vector<std::uint8_t> cut(saved.bytes.begin(), saved.bytes.begin() + static_cast<std::ptrdiff_t>(length));
        expectNothing(cut, "cut at " + std::to_string(length));
        cut.insert(cut.end(), kResultFileEnd.begin(), kResultFileEnd.end());
        expectNothing(cut, "cut at " + std::to_string(length) + " with the end marker");
    }
    // Bytes more than the counts announce.
    std::vector<std::uint8_t> longer(saved.bytes.begin(), saved.bytes.begin() + static_cast<std::ptrdiff_t>(body));
    longer.push_back(0);
    longer.insert(longer.end(), kResultFileEnd.begin(), kResultFileEnd.end());
    expectNothing(longer, "one byte more");

    // Huge counts: tasks, scanners of the second task, children of its first root folder.
    const std::size_t firstRootCount = saved.secondTypeOffset + 4 + 5 * 4 + 4 + 62 + 84 + 8 + 512;
    for (const std::size_t offset : {saved.taskCountOffset, saved.secondTypeOffset - 4, firstRootCount}) {
        std::vector<std::uint8_t> huge = saved.bytes;
        std::fill_n(huge.begin() + static_cast<std::ptrdiff_t>(offset), 4, 0xFF);
        expectNothing(huge, "huge count at " + std::to_string(offset));
    }
    // Every bit flip gives a clear answer and never half a tree.
    for (std::size_t offset = 0; offset < saved.bytes.size(); offset += 7) {
        std::vector<std::uint8_t> flipped = saved.bytes;
        flipped[offset] ^= static_cast<std::uint8_t>(1u << (offset % 8));
        ScanSession loaded;
        const ResultOpenStatus status = Open(loaded, flipped).status;
        EXPECT_TRUE(status != ResultOpenStatus::FormatError || loaded.contexts.empty()) << "flip at " << offset;
        EXPECT_TRUE(status != ResultOpenStatus::Opened || loaded.contexts.size() == 2) << "flip at " << offset;
    }
}

// A file written field by field: one task on the FAT16 image, one FAT16 scanner whose root
// folder holds `tree`, in the format of `version`.
std::vector<std::uint8_t> HandWritten(std::uint16_t version, const ScanNode& tree) {
    const std::filesystem::path image = test::TestImage("fat16");
    const std::vector<std::uint8_t> boot = test::ReadFileBytes(image, 0, 512);
    const std::span<const std::uint8_t> bootSpan(boot);
    std::ostringstream out;
    ArchiveWriter archive(out);
    const auto identity = [&] {
        archive.String(ToUtf16(image.string()));
        archive.String(u"");
        archive.String(u"");
        archive.U64(std::filesystem::file_size(image) / 512);
    };
    const auto blocks = [&] {
        archive.Bytes(bootSpan.first(62));
        archive.Bytes(bootSpan.first(84));
    };
    archive.Bytes(kResultFileMagic);
    archive.U16(version);
    archive.U16(0);
    archive.U32(kResultDeletedFiles);
    identity();
    archive.String(u"2024-01-02 03:04");
    archive.U32(1);
    identity();
    archive.U32(512);
    archive.U32(63);
    archive.U32(0);
    blocks();
    if (version >= kResultVersionWithBootSector) archive.Bytes(bootSpan);
    archive.U32(1);
    archive.U32(kFsFat16);
    for (const std::uint32_t word : {0u, static_cast<std::uint32_t>(std::filesystem::file_size(image) / 512), std::uint32_t{kFsFat16}, 1u, 0u, 7u}) {
        archive.U32(word);
    }
    blocks();
    archive.Bytes(bootSpan.first(8));
    if (version >= kResultVersionWithBootSector) archive.Bytes(bootSpan);
    WriteNodeTree(archive, tree);
    for (int root = 1; root < 7; ++root) WriteNodeTree(archive, ScanNode{});
    archive.U32(1);
    archive.Bytes(kResultFileEnd);
    const std::string text = out.str();
    return {text.begin(), text.end()};
}

TEST(ResultFileTest, AnEarlierVersionOpensWithoutBootCopiesAndNamelessNodesStayNameless) {
    const test::ManifestFile* file = nullptr;
    const std::vector<test::ManifestFile> manifest = test::LoadManifest("fat16");
    for (const test::ManifestFile& candidate : manifest) {
        if (!candidate.isDirectory && !candidate.deleted && !candidate.fragmented && candidate.size > 0 &&
            candidate.path.find('/') == std::string::npos) {
            file = &candidate;
            break;
        }
    }
    ASSERT_NE(file, nullptr);
    NamePool names;
    ScanNode root;
    root.Set(kFlagDirectory, true);
    ScanNode found;
    found.name = names.Add(ToUtf16(file->path));
    found.location = file->firstCluster;
    found.size = file->size;
    root.children = {found, ScanNode{}};

    ScanSession loaded;
    ASSERT_EQ(Open(loaded, HandWritten(0x0200, root)).status, ResultOpenStatus::Opened);
    ASSERT_EQ(loaded.Scanners().size(), 1u);
    VolumeScanner& scanner = *loaded.Scanners()[0];
    const std::vector<std::uint8_t> boot = test::ReadFileBytes(test::TestImage("fat16"), 0, 84);
    EXPECT_TRUE(std::equal(boot.begin(), boot.end(), scanner.bootSector.begin()));
    EXPECT_TRUE(std::all_of(scanner.bootSector.begin() + 84, scanner.bootSector.end(), [](std::uint8_t b) { return b == 0; }));
    const auto& contextBoot = loaded.contexts[0]->volume.bootSector;
    EXPECT_TRUE(std::all_of(contextBoot.begin() + 84, contextBoot.end(), [](std::uint8_t b) { return b == 0; }));
    const ScanNode& top = scanner.roots[RootIndex::Root];
    ASSERT_EQ(top.children.size(), 2u);
    EXPECT_EQ(top.children[1].name, nullptr);
    const auto bytes = test::ReadNodeBytes(scanner, top.children[0]);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(test::Md5Hex(*bytes), file->md5);
}

TEST(ResultFileTest, NestingBeyondTheDepthCapIsAFormatError) {
    for (const std::size_t depth : {std::size_t{100}, kMaxLoadedTreeDepth + 1}) {
        ScanNode root;
        ScanNode* deepest = &root;
        for (std::size_t level = 1; level < depth; ++level) {
            deepest->Set(kFlagDirectory, true);
            deepest->children.resize(1);
            deepest = &deepest->children[0];
        }
        ScanSession loaded;
        const ResultOpenStatus status = Open(loaded, HandWritten(kResultFileVersion, root)).status;
        EXPECT_EQ(status, depth <= kMaxLoadedTreeDepth ? ResultOpenStatus::Opened : ResultOpenStatus::FormatError) << depth;
    }
}

TEST(ResultFileTest, OpeningReadsNothingButTheIdentityAndFilesStillReadTheirChains) {
    const test::TempDir dir;
    const std::vector<std::uint8_t> bytes = Saved(*ScanRun(TasksOf(test::TestImage("fat16"), kModeDeletedFiles)), 0, dir);
    const std::vector<std::uint8_t> image = test::ImageBytes("fat16");
    std::vector<std::uint64_t> reads;
    ScanSession loaded;
    const auto opener = [&](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<test::MemoryDevice>(image, 0, std::nullopt, &reads);
    };
    ASSERT_EQ(Open(loaded, bytes, true, opener).status, ResultOpenStatus::Opened);
    EXPECT_TRUE(reads.empty());

    // A live file's chain is read from the allocation table, which lies before the data area.
    VolumeScanner& scanner = *loaded.Scanners()[0];
    const ScanNode* file = nullptr;
    for (const ScanNode& child : scanner.roots[RootIndex::Root].children) {
        if (!child.IsDirectory() && child.size > 0) file = &child;
    }
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(test::ReadNodeBytes(scanner, *file).has_value());
    const std::uint64_t dataStart = std::uint64_t{scanner.NodeFirstSector(ScanNode{})} * 512;
    EXPECT_TRUE(std::ranges::any_of(reads, [&](std::uint64_t offset) { return offset < dataStart; }));
}

TEST(ResultFileTest, TheSaveTimeIsZeroPadded) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 0;
    local.tm_mday = 5;
    local.tm_hour = 7;
    local.tm_min = 3;
    EXPECT_EQ(ResultTimeText(local), "2024-01-05 07:03");
}

}  // namespace
}  // namespace tundrel
