#include "cli/tree_walk.h"

#include "scan/node_expansion.h"

namespace tundrel::cli {
namespace {

// Bounds the walk of a damaged tree whose directories contain themselves.
constexpr int kMaxDepth = 512;

void Walk(VolumeScanner& scanner, ScanNode& folder, int depth, const std::function<void(const ScanNode&, int)>& visit) {
    if (depth >= kMaxDepth) return;
    EnsureChildren(scanner, folder);
    for (ScanNode& child : folder.children) {
        visit(child, depth);
        if (child.IsDirectory()) Walk(scanner, child, depth + 1, visit);
    }
}

}  // namespace

void WalkTree(VolumeScanner& scanner, ScanNode& folder, const std::function<void(const ScanNode&, int)>& visit) {
    Walk(scanner, folder, 0, visit);
}

}  // namespace tundrel::cli
