#include "export/destination_placement.h"

#include <algorithm>
#include <limits>

namespace tundrel {
namespace {

struct Span {
    std::uint64_t first = 0;
    std::uint64_t end = 0;  // one past the last sector
};

constexpr std::uint64_t kNoEnd = std::numeric_limits<std::uint64_t>::max();

Span EndingAt(std::uint64_t first, std::uint64_t count) {
    if (count == 0 || count > kNoEnd - first) return {first, kNoEnd};
    return {first, first + count};
}

// Where the source's scanned area lies on one of its layers: exactly, or (below a mapping
// sysfs does not describe) somewhere within the whole area the layer gives the source.
Span ScannedSpanOn(const platform::StorageLayer& layer, const SourceStorage& source) {
    if (!layer.exact) return EndingAt(layer.start, layer.count);
    const std::uint64_t first = layer.start + source.scanStart;
    const Span bound = EndingAt(layer.start, layer.count);
    Span scanned = EndingAt(first, source.scanCount);
    scanned.end = std::min(scanned.end, bound.end);
    return scanned;
}

bool Overlap(Span a, Span b) { return a.first < b.end && b.first < a.end; }

}  // namespace

Placement PlaceDestination(const SourceStorage& source, const platform::StorageChain& destination) {
    if (source.chain.empty() || destination.empty()) return Placement::Separate;
    const auto contains = [&](const platform::StorageLayer& wanted) {
        return std::any_of(destination.begin(), destination.end(),
                           [&](const platform::StorageLayer& layer) { return platform::SameLayer(layer, wanted); });
    };
    // A scanned partition or image holds nothing but the scanned volume (or volumes): any file
    // system built on it is the source itself.
    if (source.kind != platform::SourceKind::Disk && contains(source.chain.front())) return Placement::OnSourceVolume;

    Placement placement = Placement::Separate;
    for (const platform::StorageLayer& ours : source.chain) {
        for (const platform::StorageLayer& theirs : destination) {
            if (!platform::SameLayer(ours, theirs)) continue;
            if (Overlap(ScannedSpanOn(ours, source), EndingAt(theirs.start, theirs.count))) return Placement::OverlapsScan;
            placement = Placement::SameDisk;
        }
    }
    return placement;
}

}  // namespace tundrel
