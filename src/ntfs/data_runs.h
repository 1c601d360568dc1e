#pragma once
// The mapping pairs of a non-resident attribute: where its clusters lie on the volume.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tundrel {

// One run of clusters. Cluster numbers and counts are 32-bit throughout the engine.
struct MftRun {
    std::uint32_t startCluster = 0;  // absolute; 0 for a sparse run
    std::uint32_t clusterCount = 0;
    bool sparse = false;             // the run has no clusters on disk (no delta bytes)
};

using MftRunList = std::vector<MftRun>;

inline constexpr std::size_t kDefaultRunListLimit = 1024;

// Appends the runs encoded in `bytes`, stopping at an end byte, at a header with a length
// width outside 1-4 or a delta width above 4, when a run would pass the end of `bytes`, or
// once the position reaches `limit`. Deltas are signed and relative to the previous run's
// start (the first to cluster 0), with 32-bit wrap-around. False only when no bytes are
// given; a malformed run keeps the runs before it.
bool DecodeRunList(std::span<const std::uint8_t> bytes, MftRunList& runs,
                   std::size_t limit = kDefaultRunListLimit);

// Bytes the runs occupy, up to the header that ends the list; never more than `maximum`
// nor than `bytes` holds.
std::size_t RunListLength(std::span<const std::uint8_t> bytes, std::size_t maximum);

// The first run's delta bytes read as an unsigned number, when its header has both widths
// from 1 to 4 and the run lies inside `bytes`: a quick guess of where the data begins.
std::optional<std::uint32_t> FirstRunClusterUnsigned(std::span<const std::uint8_t> bytes);

// Total clusters of the runs, as 64 bits.
std::uint64_t TotalClusters(const MftRunList& runs);

}  // namespace tundrel
