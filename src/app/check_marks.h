#pragma once
// Checking and unchecking in the result views: a node's whole subtree follows it, and every
// folder above it shows whether all, some or none of what it holds is checked.

namespace tundrel {
class VolumeScanner;
struct ScanNode;
}

namespace tundrel::app {

void SetNodeChecked(VolumeScanner& scanner, ScanNode& node, bool checked);

}  // namespace tundrel::app
