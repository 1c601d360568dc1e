#include "scan/node_expansion.h"

#include "scan/lazy_children.h"
#include "scan/node_links.h"
#include "scan/volume_scanner.h"

namespace tundrel {

bool EnsureChildren(VolumeScanner& scanner, ScanNode& directory) {
    if (!directory.IsDirectory()) return false;
    if (!directory.children.empty()) return true;
    if (directory.dirSource != nullptr) {
        FillLazyChildren(directory);
    } else {
        scanner.ExpandDirectory(directory, 0);
    }
    LinkParents(directory, LinkDepth::WholeSubtree);
    return !directory.children.empty();
}

}  // namespace tundrel
