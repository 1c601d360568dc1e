#include "fat/live_chains.h"

namespace tundrel {
namespace {

std::uint32_t TakeEntry(std::span<std::uint8_t> table, std::size_t index, FatWidth width) {
    const std::uint32_t value = ReadFatEntry(table, index, width);
    WriteFatEntry(table, index, width, 0);
    return value;
}

void ClearChain(std::uint32_t cluster, std::span<std::uint8_t> table, FatWidth width,
                const std::atomic<std::uint32_t>& stop) {
    const std::uint64_t entries = EntriesIn(table.size(), width);
    while (cluster >= 2 && cluster < entries && stop.load(std::memory_order_relaxed) == 0) {
        cluster = NextClusterOf(TakeEntry(table, cluster, width), width);
    }
}

void ClearNode(const ScanNode& node, std::span<std::uint8_t> table, FatWidth width,
               const std::atomic<std::uint32_t>& stop) {
    if (node.Has(kFlagDeleted)) return;
    ClearChain(node.location, table, width, stop);
    for (const ScanNode& child : node.children) {
        if (stop.load(std::memory_order_relaxed) != 0) return;
        ClearNode(child, table, width, stop);
    }
}

}  // namespace

void ClearLiveChains(const ScanNode& node, std::span<std::uint8_t> table, FatWidth width,
                     const std::atomic<std::uint32_t>& stop) {
    ClearNode(node, table, width, stop);
}

}  // namespace tundrel
