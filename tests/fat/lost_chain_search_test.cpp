// The lost-chain search over fat32-lostchains with FAT entries patched in memory: loops and
// joined chains are followed once, and a lost folder's chain is read to 2 MiB at most.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "disk/fs_type.h"
#include "platform/ansi_code_page.h"
#include "fat/fat_regions.h"
#include "fat/lost_chain_search.h"
#include "manifest.h"
#include "scan/name_pool.h"
#include "scan/scan_progress.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

struct BoundsCase {
    const char* what;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> patches;  // FAT entry, value
    std::map<std::string, std::uint64_t> files;                     // lost file to clusters
};

class LostChainSearchTest : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(LostChainSearchTest, EveryClusterIsTakenOnceAndFolderReadsAreBounded) {
    std::vector<std::uint8_t> image = test::ImageBytes("fat32-lostchains");
    const FatBootParameters parameters = FatBootParameters::Parse(std::span(image).first(512));
    const auto regions = ComputeFatRegions(parameters, kFsFat32, false, image.size() / 512);
    ASSERT_TRUE(regions);
    const auto table = std::span(image).subspan(regions->tableStart * 512, regions->tableSectors * 512);
    for (const auto& [entry, value] : GetParam().patches) WriteFatEntry(table, entry, FatWidth::Fat32, value);

    std::uint64_t largestRead = 0;
    LostChainVolume volume{table, FatWidth::Fat32, std::min(regions->ClusterLimit(), regions->EntryCount()),
                           regions->sectorsPerCluster, regions->dataStart, regions->rootCluster,
                           [&](const ClusterRunList& runs) -> std::optional<std::vector<std::uint8_t>> {
                               std::vector<std::uint8_t> bytes;
                               for (const ClusterRun& run : runs) {
                                   const auto at = std::span(image).subspan(regions->ClusterSector(run.firstCluster) * 512,
                                                                            std::uint64_t{run.count} * 512);
                                   bytes.insert(bytes.end(), at.begin(), at.end());
                               }
                               largestRead = std::max<std::uint64_t>(largestRead, bytes.size());
                               return bytes;
                           }};
    // The live tree: /Kept and its file.
    ResultTree tree;
    for (const test::ManifestFile& file : test::LoadManifest("fat32-lostchains")) {
        ScanNode node;
        node.location = file.firstCluster;
        if (file.path.starts_with("Kept")) tree[RootIndex::Root].children.push_back(node);
    }
    NamePool names;
    AnsiCodePage codePage("CP437");
    DirectoryClusters clusters;
    ListContext listing{kFsFat32, &parameters, &clusters, nullptr, &names, &codePage, {}};
    ScanProgress progress;
    const LostChainFinds finds = FindLostChains(volume, tree, listing, progress, names);

    EXPECT_EQ(finds.directories.size(), 11u) << "Dir_01 to Dir_10 and Sub Folder";
    std::map<std::string, std::uint64_t> files;
    for (const ScanNode& file : finds.files) files[ToUtf8(file.name)] = file.size / 512;
    EXPECT_EQ(files, GetParam().files);
    EXPECT_LE(largestRead, kMaxLostChainDirectoryBytes);
}

// Lost Picture.jpg holds clusters 51-52, Lost Data.bin 53-58, the folder Box 10 cluster 89; Lost
// Report.docx, at 94, is a ZIP package by its first cluster and a docx by its parts.
INSTANTIATE_TEST_SUITE_P(
    Patches, LostChainSearchTest,
    ::testing::Values(
        BoundsCase{"as built", {}, {{"File 51.jpg", 2}, {"File 53", 6}, {"File 94.docx", 9}}},
        BoundsCase{"a chain looping back into itself", {{58, 54}}, {{"File 51.jpg", 2}, {"File 53", 6}, {"File 94.docx", 9}}},
        // The first head takes the shared tail; the second chain ends where the tail begins.
        BoundsCase{"two chains joining", {{52, 55}}, {{"File 51.jpg", 6}, {"File 53", 2}, {"File 94.docx", 9}}},
        BoundsCase{"a folder chain of 3 MiB",
                   [] {
                       std::vector<std::pair<std::uint32_t, std::uint32_t>> chain{{89, 1000}};
                       for (std::uint32_t c = 1000; c < 1000 + 6144; ++c) chain.emplace_back(c, c + 1);
                       chain.emplace_back(1000 + 6144, 0x0FFFFFFF);
                       return chain;
                   }(),
                   {{"File 51.jpg", 2}, {"File 53", 6}, {"File 94.docx", 9}}}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::ranges::replace_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

}  // namespace
}  // namespace tundrel
