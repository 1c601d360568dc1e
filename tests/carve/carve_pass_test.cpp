// The carving framework over bytes in memory: which blocks the dispatcher offers, what each
// fixed-size type takes from a header, how a pass reads free runs, and how finds are attached.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "carve/carve_attach.h"
#include "carve/carve_dispatcher.h"
#include "carve/carve_known_files.h"
#include "carve/carve_pass.h"
#include "memory_device.h"
#include "scan/scan_context.h"
#include "scan/volume_scanner.h"
#include "support/text.h"

namespace tundrel {
namespace {

using namespace std::string_view_literals;

constexpr std::size_t kBlock = 512;

std::vector<std::uint8_t> Header(std::string_view bytes) { return {bytes.begin(), bytes.end()}; }
void Put(std::vector<std::uint8_t>& buffer, std::size_t at, const std::vector<std::uint8_t>& bytes) {
    std::memcpy(buffer.data() + at, bytes.data(), bytes.size());
}
std::vector<std::uint8_t> U32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 24)};
}
std::vector<std::uint8_t> Wav(std::uint32_t riffSize) {
    auto bytes = Header("RIFF....WAVEfmt "sv);
    Put(bytes, 4, U32(riffSize));
    return bytes;
}
std::vector<std::uint8_t> Bmp(std::uint32_t size) {
    auto bytes = Header("BM....\0\0\0\0"sv);
    Put(bytes, 2, U32(size));
    return bytes;
}

// Type name and size of each find, in table order.
using Finds = std::vector<std::pair<std::string, std::uint64_t>>;

class CarveTest : public ::testing::Test {
protected:
    CarveTest() { settings.carveTypes.fill(true); }

    Finds Dispatch(std::span<const std::uint8_t> bytes, std::uint64_t sector) {
        std::vector<CarveRule> table = BuildCarveTable(settings);
        CarveContext context{{}, counters};
        DispatchCarveBlocks(bytes, sector, table, context, progress);
        Finds finds;
        for (const CarveRule& rule : table) {
            for (const CarvedFile& file : rule.found) {
                finds.emplace_back(std::string(rule.info->typeName) + "@" + std::to_string(file.firstSector), file.size);
            }
        }
        return finds;
    }

    Settings settings;
    ScanProgress progress;
    CarveNameCounters counters;
};

TEST_F(CarveTest, EachTypeTakesItsLengthFromTheFirstBlockWithinItsLimits) {
    constexpr std::uint64_t kRaw = 30 * 1024 * 1024;
    auto swf = [](std::uint32_t length) {
        auto bytes = Header("FWS\x0A"sv);
        const auto size = U32(length);
        bytes.insert(bytes.end(), size.begin(), size.end());
        return bytes;
    };
    auto bmpReserved = Bmp(4000);
    bmpReserved[7] = 1;
    auto cdr = Header("RIFF....CDr6vrsn"sv);
    Put(cdr, 4, U32(2000));
    const struct {
        const char* what;
        std::vector<std::uint8_t> header;
        Finds finds;
    } cases[] = {
        {"wav", Wav(1000), {{"WAV@7", 1008}}},
        {"wav of the largest length", Wav(0xFFFFFFFF), {{"WAV@7", 0x100000007}}},
        {"avi", Header("RIFF\x10\0\0\0AVI LIST"sv), {{"AVI@7", 24}}},
        {"cdr", cdr, {{"CDR@7", 2008}}},
        {"riff of another form", Header("RIFF\x10\0\0\0WEBPVP8 "sv), {}},
        {"swf", swf(33), {{"SWF@7", 33}}},
        {"swf too short", swf(32), {}},
        {"compressed swf", swf(31'457'279), {{"SWF@7", 31'457'279}}},
        {"swf too long", swf(31'457'280), {}},
        {"bmp", Bmp(51'199'999), {{"BMP@7", 51'199'999}}},
        {"bmp too long once its low 9 bits are cleared", Bmp(51'200'000), {}},
        {"bmp whose reserved words are not zero", bmpReserved, {}},
        {"bmp of length 0", Bmp(0), {}},
        {"tiff with CR at 8: a CR2 and a NEF", Header("II*\0\x10\0\0\0CR\x02\0"sv), {{"CR2@7", kRaw}, {"NEF@7", kRaw}}},
        {"big-endian tiff", Header("MM\0*\0\0\0\x08"sv), {{"NEF@7", kRaw}}},
        {"orf", Header("IIRO\x08\0\0\0"sv), {{"ORF@7", kRaw}}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> block(kBlock);
        Put(block, 0, c.header);
        EXPECT_EQ(Dispatch(block, 7), c.finds) << c.what;
    }
}

TEST_F(CarveTest, EveryWholeBlockIsOfferedAlsoInsideAFind) {
    // A WAV in blocks 0-3 holding a BMP at block 2; a BMP header in the tail that is not a
    // whole block is not offered.
    std::vector<std::uint8_t> buffer(4 * kBlock + 300);
    Put(buffer, 0, Wav(3 * kBlock));
    Put(buffer, 2 * kBlock, Bmp(600));
    Put(buffer, 4 * kBlock, Bmp(100));
    EXPECT_EQ(Dispatch(buffer, 100), (Finds{{"WAV@100", 3 * kBlock + 8}, {"BMP@102", 600}}));
    EXPECT_EQ(progress.foundCount, 2u);
    EXPECT_EQ(progress.foundBytes, 3 * kBlock + 8 + 600);
    EXPECT_EQ(progress.CurrentName(), u"Bitmap 102.bmp");

    progress.RequestStop();
    EXPECT_TRUE(Dispatch(buffer, 100).empty());
    EXPECT_EQ(progress.foundCount, 2u);
}

TEST_F(CarveTest, OnlyTheSwitchedOnTypesMakeRulesInTableOrder) {
    settings.carveTypes.fill(false);
    EXPECT_TRUE(BuildCarveTable(settings).empty());
    settings.carveTypes[15] = true;  // JPG
    settings.carveTypes[17] = true;  // BMP
    settings.carveTypes[5] = true;   // WAV
    const auto table = BuildCarveTable(settings);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].info->typeName, "WAV");
    EXPECT_EQ(table[1].info->typeName, "JPG");
    EXPECT_EQ(table[2].info->typeName, "BMP");
}

TEST_F(CarveTest, FindsAreAttachedByTypeJpegsLargestFirst) {
    const auto rule = [](std::size_t type, std::vector<std::uint64_t> sizes) {
        CarveRule made{&kCarveTypes[type], nullptr, {}};
        for (std::size_t i = 0; i < sizes.size(); ++i) made.found.push_back({10 + i, sizes[i], u"f" + ToUtf16(std::to_string(i)), 0, 0});
        return made;
    };
    NamePool names;
    ScanNode root;
    std::vector<CarveRule> table;
    table.push_back(rule(0, {5, 50}));          // DOC
    table.push_back(rule(15, {10, 30, 20}));    // JPG
    table.push_back(rule(17, {7, 9000}));       // BMP: the second runs past the end of the source
    AttachCarvedFiles(table, root, names, 20);
    // An earlier pass's folder gets the later finds of its type.
    table.clear();
    table.push_back(rule(15, {25}));
    table.back().found.push_back({std::uint64_t{1} << 32, 40, u"far", 0, 0});  // beyond sector numbers
    AttachCarvedFiles(table, root, names, 0);

    std::vector<std::pair<std::u16string, std::vector<std::uint64_t>>> folders;
    for (const ScanNode& folder : root.children) {
        folders.emplace_back(folder.name, std::vector<std::uint64_t>{});
        for (const ScanNode& file : folder.children) {
            EXPECT_TRUE(file.Has(kFlagContiguous));
            EXPECT_EQ(file.parent, &folder);
            folders.back().second.push_back(file.size);
        }
    }
    const decltype(folders) expected{{u" DOC", {5, 50}}, {u" JPG", {30, 25, 20, 10}}, {u"BMP", {7, (20 - 11) * kBlock}}};
    EXPECT_EQ(folders, expected);
    EXPECT_EQ(root.size, 5 + 50 + 30 + 25 + 20 + 10 + 7 + 9 * kBlock);
}

// A scanner with nothing of its own, for a pass over a source in memory; a file's data starts
// at its `location`.
class BareScanner final : public VolumeScanner {
public:
    using VolumeScanner::VolumeScanner;
    void Scan() override {}
    std::optional<std::uint32_t> FileDataSector(const ScanNode& file) const override { return file.location; }
};

class CarvePassTest : public CarveTest {
protected:
    CarvePassTest() : disk(64 * kBlock), memory([this](const std::string&, int&) {
                          return std::make_unique<test::MemoryDevice>(disk);
                      }) {
        settings.carveInDeletedMode = true;
        // Names of finds without their own count over the program run: each test starts afresh.
        ProgramNameCounters() = {};
    }

    // A pass over the runs (sector, count) of the disk; the root of file types afterwards.
    // `before` runs on the pass before it reads.
    const ScanNode& Carve(const std::vector<CarveRun>& runs, const CarveReadShape& shape,
                          const std::function<void(CarvePass&)>& before = {}) {
        memory.Open(u"memory");
        context = std::make_unique<ScanContext>(environment, ScanTask{});
        context->scanners.push_back(std::make_unique<BareScanner>(*context, 0));
        VolumeScanner& scanner = *context->scanners.back();
        scanner.source = &memory;
        CarvePass pass(scanner, *context, gate);
        if (before) before(pass);
        pass.ReadRuns(runs, shape);
        pass.Finish();
        return scanner.roots[RootIndex::Types];
    }

    std::vector<std::uint8_t> disk;
    SectorSource memory;
    ScanEnvironment environment{settings, progress, {}, nullptr};
    std::unique_ptr<ScanContext> context;
    CarveGate gate = CarveGate::RemainingArea;
};

TEST_F(CarvePassTest, RunsAreReadWithinTheirEndsAndAFileMaySpanTheGap) {
    // Runs 4-9 and 16-23; a WAV starting at 8 runs over the allocated 10-15 into the second run.
    Put(disk, 8 * kBlock, Wav(12 * kBlock - 8));
    Put(disk, 12 * kBlock, Bmp(100));  // allocated: never offered
    Put(disk, 20 * kBlock, Bmp(700));
    Put(disk, 24 * kBlock, Bmp(300));  // just past the second run
    const ScanNode& types = Carve({{4, 6}, {16, 8}}, {2, 4, 2});
    ASSERT_EQ(types.children.size(), 2u);
    EXPECT_EQ(std::u16string(types.children[0].name), u"WAV");
    EXPECT_EQ(types.children[0].children.at(0).location, 8u);
    EXPECT_EQ(types.children[0].children.at(0).size, 12 * kBlock);
    EXPECT_EQ(std::u16string(types.children[1].name), u"BMP");
    ASSERT_EQ(types.children[1].children.size(), 1u);
    EXPECT_EQ(types.children[1].children[0].location, 20u);
    EXPECT_EQ(progress.totalUnits, 7);
    EXPECT_EQ(progress.doneUnits, 7);
}

TEST_F(CarvePassTest, FindsAtTheFirstSectorOfAListedFileOfTheirTypeAreDropped) {
    context = std::make_unique<ScanContext>(environment, ScanTask{});
    context->scanners.push_back(std::make_unique<BareScanner>(*context, 0));
    VolumeScanner& scanner = *context->scanners.back();
    NamePool names;
    const auto file = [&](std::u16string_view name, std::uint32_t sector) {
        ScanNode node;
        node.name = names.Add(name);
        node.size = 1000;
        node.location = sector;
        return node;
    };
    scanner.roots[RootIndex::Deleted].children = {file(u"report.docx", 8), file(u"notes.wps", 20), file(u"a.jpg", 30)};
    const auto rule = [](std::string_view type, std::vector<std::uint64_t> sectors) {
        CarveRule made{&*std::ranges::find(kCarveTypes, type, &CarveTypeInfo::typeName), nullptr, {}};
        for (const std::uint64_t sector : sectors) made.found.push_back({sector, 1000, u"f", 0, 0});
        return made;
    };
    std::vector<CarveRule> table;
    table.push_back(rule("DOC", {20, 21}));         // a WPS file is taken for a DOC one
    table.push_back(rule("PPT", {20}));             // but not for a PPT one
    table.push_back(rule("Office 2007", {8, 9}));  // DOCX, XLSX and PPTX are Office 2007 files
    table.push_back(rule("JPG", {30}));
    std::vector<VolumeScanner*> scanners{&scanner};
    DropKnownFiles(table, scanners);
    const auto sectors = [](const CarveRule& made) {
        std::vector<std::uint64_t> left;
        for (const CarvedFile& found : made.found) left.push_back(found.firstSector);
        return left;
    };
    EXPECT_EQ(sectors(table[0]), std::vector<std::uint64_t>{21});
    EXPECT_EQ(sectors(table[1]), std::vector<std::uint64_t>{20});
    EXPECT_EQ(sectors(table[2]), std::vector<std::uint64_t>{9});
    EXPECT_TRUE(table[3].found.empty());
}

TEST_F(CarvePassTest, APassNeedsATypeOnAndItsGateOpen) {
    Put(disk, 8 * kBlock, Wav(100));
    settings.carveTypes.fill(false);
    EXPECT_TRUE(Carve({{0, 64}}, {}).children.empty());
    gate = CarveGate::TypesOnly;
    EXPECT_TRUE(Carve({{0, 64}}, {}).children.empty());
    settings.carveTypes.fill(true);
    settings.carveInDeletedMode = false;
    EXPECT_EQ(Carve({{0, 64}}, {}).children.size(), 1u);
    gate = CarveGate::RemainingArea;
    EXPECT_TRUE(Carve({{0, 64}}, {}).children.empty());
}

TEST_F(CarvePassTest, WhatWasFoundBeforeAStopIsAttached) {
    Put(disk, 40 * kBlock, Bmp(100));
    const ScanNode& types = Carve({{0, 64}}, {}, [this](CarvePass& pass) {
        pass.Dispatch(std::span(disk).subspan(40 * kBlock, kBlock), 40);
        progress.RequestStop();
    });
    ASSERT_EQ(types.children.size(), 1u);
    EXPECT_EQ(types.children[0].children.at(0).location, 40u);
    EXPECT_EQ(progress.doneUnits, 0);
}

}  // namespace
}  // namespace tundrel
