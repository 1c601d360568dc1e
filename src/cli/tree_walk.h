#pragma once
// Depth-first walk of a result subtree for listing, opening directories on the way.

#include <functional>

#include "scan/scan_node.h"

namespace tundrel {
class VolumeScanner;
}

namespace tundrel::cli {

// Calls `visit` for every node below `folder` (not for `folder` itself), parents before
// children, with the depth below `folder` (0 for its children).
void WalkTree(VolumeScanner& scanner, ScanNode& folder, const std::function<void(const ScanNode&, int)>& visit);

}  // namespace tundrel::cli
