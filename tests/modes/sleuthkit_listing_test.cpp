// Each committed volume's tree against The Sleuth Kit's `fls -r -p -l` listing (type, path,
// four times, size): the same entries, of the same kind, state and size, and nothing more.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "image_scan.h"
#include "manifest.h"
#include "node_find.h"
#include "test_support.h"

namespace tundrel {
namespace {

class SleuthKitListingTest : public ::testing::TestWithParam<std::string> {};

// Its virtual entries are no part of the volume; on exFAT only its bitmap is a file of ours.
bool Virtual(const std::vector<std::string>& fields, const std::string& image) {
    const std::string& path = fields[1];
    return fields.size() < 7 || fields[0].starts_with("V/V") || fields[0].starts_with("v/v") ||
           path.starts_with("$OrphanFiles") || path.ends_with("Entry)") ||
           (image == "exfat" && path.starts_with('$') && path != "$ALLOC_BITMAP");
}

// Our path for a listed one: a deleted FAT entry, and every deleted folder above it, lost its
// first character, which TSK shows as "_" and we as "#".
std::string OurPath(const std::string& tskPath, const std::set<std::string>& deletedTskPaths) {
    if (tskPath == "$ALLOC_BITMAP") return "$Bitmap";
    std::string path, prefix;
    std::stringstream parts(tskPath);
    for (std::string part; std::getline(parts, part, '/');) {
        prefix += (prefix.empty() ? "" : "/") + part;
        if (deletedTskPaths.contains(prefix) && part.starts_with('_')) part[0] = '#';
        path += (path.empty() ? "" : "/") + part;
    }
    return path;
}

TEST_P(SleuthKitListingTest, OurTreeHoldsTheEntriesItListsAndNoOthers) {
    const auto image = test::TestImage(GetParam());
    test::ScanOfImage scan(image, {}, kFsRaw);
    ASSERT_EQ(scan.context->scanners.size(), 1u);
    const ResultTree& roots = scan.context->scanners.front()->roots;

    std::vector<std::vector<std::string>> lines;
    std::set<std::string> deletedTskPaths, ours;  // ours: root number and path
    for (auto& fields : test::FlsLines(GetParam() + ".fls.txt")) {
        if (Virtual(fields, GetParam())) continue;
        if (fields[0].find('*') != std::string::npos) deletedTskPaths.insert(fields[1]);
        lines.push_back(std::move(fields));
    }
    ASSERT_GT(lines.size(), 10u);
    for (const auto& fields : lines) {
        const bool deleted = deletedTskPaths.contains(fields[1]);
        const std::string path = OurPath(fields[1], deletedTskPaths);
        const RootIndex root = deleted ? RootIndex::Deleted : path.starts_with('$') ? RootIndex::Hidden : RootIndex::Root;
        // NTFS: a named data stream (address N-128-M) is a node "file:stream" beside its file; a
        // named index only names its file.
        const bool stream = path.find(':') != std::string::npos;
        const bool node = !stream || fields[0].find("-128-") != std::string::npos;
        const std::string nodePath = node ? path : path.substr(0, path.find(':'));
        const ScanNode* found = test::FindPath(roots[root], nodePath);
        ASSERT_NE(found, nullptr) << fields[1] << " as " << path;
        ours.insert(std::to_string(static_cast<int>(root)) + nodePath);
        if (!node) continue;
        const bool directory = fields[0].find("/d") != std::string::npos;
        EXPECT_EQ(found->IsDirectory(), directory) << path;
        EXPECT_EQ(found->Has(kFlagDeleted), deleted) << path;
        EXPECT_EQ(found->Has(kFlagStream), stream) << path;
        if (!directory) {
            EXPECT_EQ(found->size, std::stoull(fields[6])) << path;
        }
    }
    EXPECT_TRUE(roots[RootIndex::Scanned].children.empty()) << "nothing is found twice";
    for (const RootIndex root : {RootIndex::Root, RootIndex::Deleted, RootIndex::Hidden}) {
        test::ForEachNode(roots[root], [&](const ScanNode& node, const std::string& path) {
            // The deleted-files root repeats live folders to show where deleted entries were.
            if (root == RootIndex::Deleted && !node.Has(kFlagDeleted)) return;
            if (path == ".") return;  // the NTFS root's own record, among the metafiles
            EXPECT_TRUE(ours.contains(std::to_string(static_cast<int>(root)) + path))
                << "not listed by The Sleuth Kit: " << path;
        });
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, SleuthKitListingTest, ::testing::Values("fat12", "fat16", "fat32", "exfat", "ntfs"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace tundrel
