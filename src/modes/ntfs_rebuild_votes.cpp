#include "modes/ntfs_rebuild_votes.h"

#include <cstdlib>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ntfs/mft_record_probe.h"
#include "support/byte_writer.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kVotingFileBytes = 5'000;
constexpr std::uint32_t kProbeSectors = 4;
constexpr std::uint32_t kDecidingVotes = 4;
constexpr std::uint32_t kDefaultClusterSectors = 8;
constexpr std::uint32_t kLargestVotedClusterSectors = 128;
constexpr std::uint32_t kFirstVotingRecord = 200;
constexpr std::uint32_t kLastVotingRecord = 3'000;
// Records numbered n and n + 250 of an MFT lie 500 sectors apart.
constexpr std::uint32_t kConfirmingDistance = 250;
constexpr std::uint32_t kFewestStartVotes = 201;
constexpr std::int64_t kFarthestStart = 16'130;

bool Stopped(const std::atomic<std::uint32_t>& stop) { return stop.load(std::memory_order_relaxed) != 0; }

std::uint64_t RecordAt(std::uint64_t number, std::uint64_t sector) { return (number << 32) | sector; }

}  // namespace

std::uint32_t VoteClusterSize(SectorSource& source, std::span<const ScanNode> records,
                              const std::atomic<std::uint32_t>& stop) {
    std::array<std::uint32_t, kLargestVotedClusterSectors + 1> votes{};
    std::vector<std::uint8_t> bytes(kProbeSectors * 512);
    for (const ScanNode& record : records) {
        if (Stopped(stop)) break;
        if (record.IsDirectory() || record.size < kVotingFileBytes) continue;
        if (!source.ReadSectors(bytes, record.location)) continue;
        const std::uint32_t hint = ProbeMftRecord(bytes, {.sectorsPerCluster = true}).sectorsPerCluster;
        if (hint == 0 || hint > kLargestVotedClusterSectors || (hint & (hint - 1)) != 0) continue;
        if (++votes[hint] == kDecidingVotes) return hint;
    }
    return kDefaultClusterSectors;
}

std::optional<std::int64_t> VoteVolumeStart(std::span<const ScanNode> records, const std::atomic<std::uint32_t>& stop) {
    std::unordered_set<std::uint64_t> found;
    for (const ScanNode& record : records) found.insert(RecordAt(record.recordNumber, record.location));
    std::unordered_map<std::int64_t, std::uint32_t> votes;
    for (const ScanNode& record : records) {
        if (Stopped(stop)) return std::nullopt;
        const std::uint64_t number = record.recordNumber;
        if (number < kFirstVotingRecord || number > kLastVotingRecord) continue;
        if (!found.contains(RecordAt(number + kConfirmingDistance, std::uint64_t{record.location} + 2 * kConfirmingDistance))) continue;
        ++votes[static_cast<std::int64_t>(record.location) - static_cast<std::int64_t>(2 * number + kUsualMftSector)];
    }
    // The most voted start; of starts with as many votes, the one nearest the source's start.
    std::optional<std::int64_t> best;
    std::uint32_t bestVotes = 0;
    for (const auto& [start, count] : votes) {
        if (count > bestVotes || (count == bestVotes && std::llabs(start) < std::llabs(*best))) {
            best = start;
            bestVotes = count;
        }
    }
    if (!best || bestVotes < kFewestStartVotes || std::llabs(*best) > kFarthestStart) return std::nullopt;
    return best;
}

std::array<std::uint8_t, 512> SyntheticNtfsBoot(std::uint32_t sectorsPerCluster, std::uint64_t totalSectors,
                                                 std::uint64_t mftCluster) {
    std::array<std::uint8_t, 512> boot{};
    boot[0] = 0xEB;
    boot[1] = 0x52;
    boot[2] = 0x90;
    const char oem[] = "NTFS    ";
    for (std::size_t i = 0; i < 8; ++i) boot[3 + i] = static_cast<std::uint8_t>(oem[i]);
    PutLittleEndian(boot, 0x0B, 512, 2);
    PutLittleEndian(boot, 0x0D, sectorsPerCluster, 1);
    PutLittleEndian(boot, 0x28, totalSectors, 8);
    PutLittleEndian(boot, 0x30, mftCluster, 8);
    boot[510] = 0x55;
    boot[511] = 0xAA;
    return boot;
}

}  // namespace tundrel
