#include "ntfs/overwritten_check.h"

namespace tundrel {
namespace {

bool ClusterInUse(std::span<const std::uint8_t> bitmap, std::uint32_t cluster) {
    const std::size_t byte = cluster / 8;
    return byte < bitmap.size() && (bitmap[byte] & (1u << (cluster % 8))) != 0;
}

void MarkBelow(ScanNode& directory, std::span<const std::uint8_t> bitmap) {
    for (ScanNode& node : directory.children) {
        if (node.IsDirectory()) {
            MarkBelow(node, bitmap);
            continue;
        }
        if (node.recordNumber == 0 || node.size == 0 || !node.Has(kFlagRecordFree) || node.Has(kFlagInRecord)) continue;
        if (ClusterInUse(bitmap, node.extra)) node.Set(kFlagOverwritten, true);
    }
}

}  // namespace

void MarkOverwrittenFiles(ResultTree& tree, std::span<const std::uint8_t> clusterBitmap) {
    for (const RootIndex root : {RootIndex::Lost, RootIndex::Recent, RootIndex::Deleted}) {
        MarkBelow(tree[root], clusterBitmap);
    }
}

}  // namespace tundrel
