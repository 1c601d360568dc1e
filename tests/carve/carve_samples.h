#pragma once
// The sample files of tests/images/carve-samples.tar.gz (made by the real encoders and writers
// of their formats), and disks that hold them inside filler, offered block by block in read
// buffers as a carving pass offers them.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "carve/recognizer.h"
#include "manifest.h"
#include "md5.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel::test {

using Bytes = std::vector<std::uint8_t>;
inline constexpr std::size_t kSector = kCarveBlockBytes;

// RAR archives of a shared test suite (under its own licence, never stored here), in the folder
// beside the project's own: ../shared/testdata/rar. The tests that read them are skipped when the
// folder is absent.
inline const std::filesystem::path kRarTestData =
    std::filesystem::path(TUNDREL_TEST_DATA_DIR).parent_path().parent_path() / "shared" / "testdata" / "rar";

// Those archives as carving finds them, named after their first file as their listings show it.
// One whose first header is the archive comment's is no start; the walk ends at a block it does
// not know (RAR 2's Unix-owner block after the first file's 40-byte header and 17 bytes of
// data) with 7 bytes for an end header. Size 0: the whole archive.
struct RarArchive {
    const char* file;
    const char* name;  // "": not found
    std::uint64_t size;
};
inline constexpr RarArchive kRarArchives[] = {
    {"rar2-unix-owner.rar", "file.rar", 20 + 40 + 17 + 7}, {"rar3-owner.rar", "owner1.rar", 0},
    {"rar3-solid.rar", "stest1.rar", 0},                   {"rar3-subdirs.rar", "sub.rar", 0},
    {"rar3-versions.rar", "versioned.rar", 0},             {"rar3-comment-plain.rar", "", 0}};

struct Sample {
    std::string file, type, carveName, date;
    std::uint64_t carveSize = 0;
    Bytes bytes;
};

inline const std::vector<Sample>& Samples() {
    static const std::vector<Sample> samples = [] {
        std::vector<Sample> all;
        static TempDir dir;
        const std::filesystem::path images = std::filesystem::path(TUNDREL_TEST_DATA_DIR) / "images";
        if (!RunQuietly("tar -xzf '" + (images / "carve-samples.tar.gz").string() + "' -C '" + dir.Path().string() + "'")) {
            ADD_FAILURE() << "cannot unpack carve-samples.tar.gz";
        }
        const nlohmann::json manifest = ManifestJson("carve-samples");
        for (const auto& entry : manifest["files"]) {
            Sample sample{entry["name"], entry["type"], entry["carveName"], entry.value("date", ""), entry["carveSize"], {}};
            sample.bytes = FileBytes(dir / sample.file);
            EXPECT_EQ(Md5Hex(sample.bytes), entry["md5"].get<std::string>()) << sample.file;
            all.push_back(std::move(sample));
        }
        return all;
    }();
    return samples;
}

inline const Sample& SampleNamed(const std::string& file) {
    for (const Sample& sample : Samples()) {
        if (sample.file == file) return sample;
    }
    static const Sample none;
    ADD_FAILURE() << "no sample " << file;
    return none;
}

// A name template's "%d" stands for the first sector; names without one are fixed or take a
// running count, which starts at 1 in each carve here.
inline std::u16string ExpectedName(const std::string& pattern, std::uint64_t sector) {
    std::string name = pattern;
    if (const std::size_t number = name.find("%d"); number != std::string::npos) name.replace(number, 2, std::to_string(sector));
    return ToUtf16(name);
}

// `sectors` sectors of zeros or of fixed pseudo-random bytes.
inline Bytes Filler(std::size_t sectors, bool random) {
    Bytes bytes(sectors * kSector);
    if (random) {
        std::mt19937 generator(12345);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

// A disk with `file` at sector `at` of the filler, padded to whole sectors.
inline Bytes DiskWith(const Bytes& file, std::size_t at, bool random, std::size_t after = 64) {
    Bytes disk = Filler(at + (file.size() + kSector - 1) / kSector + after, random);
    std::copy(file.begin(), file.end(), disk.begin() + static_cast<std::ptrdiff_t>(at * kSector));
    std::fill(disk.begin() + static_cast<std::ptrdiff_t>(at * kSector + file.size()),
              disk.begin() + static_cast<std::ptrdiff_t>((at + (file.size() + kSector - 1) / kSector) * kSector), 0);
    return disk;
}

// Offers every sector of `disk` whose number `offered` accepts, in read buffers of
// `bufferSectors` sectors; the disk's first sector is numbered `firstSector`, and the context
// reads whole sectors of the disk, failing past its end.
inline std::vector<CarvedFile> Carve(Recognizer& recognizer, const Bytes& disk, std::size_t bufferSectors,
                                     std::uint64_t firstSector = 1000, bool (*offered)(std::uint64_t) = nullptr) {
    std::vector<CarvedFile> found;
    CarveNameCounters counters;
    const std::size_t sectors = disk.size() / kSector;
    CarveContext context{[&](std::span<std::uint8_t> buffer, std::uint64_t first) {
                             if (first < firstSector || buffer.size() % kSector != 0 || first - firstSector > sectors ||
                                 buffer.size() / kSector > sectors - (first - firstSector)) {
                                 return false;
                             }
                             std::copy_n(disk.begin() + static_cast<std::ptrdiff_t>((first - firstSector) * kSector), buffer.size(),
                                         buffer.begin());
                             return true;
                         },
                         counters};
    for (std::size_t buffer = 0; buffer < sectors; buffer += bufferSectors) {
        const std::size_t count = std::min(bufferSectors, sectors - buffer);
        // A copy per read, so a recognizer reading past its buffer shows under the sanitizers.
        const Bytes read(disk.begin() + static_cast<std::ptrdiff_t>(buffer * kSector),
                         disk.begin() + static_cast<std::ptrdiff_t>((buffer + count) * kSector));
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t sector = firstSector + buffer + i;
            if (offered != nullptr && !offered(sector)) continue;
            recognizer.Offer({std::span<const std::uint8_t>(read).subspan(i * kSector), sector}, context, found);
        }
    }
    return found;
}

}  // namespace tundrel::test
