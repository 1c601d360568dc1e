#include "checkdisk/check_disk_files.h"

#include <string_view>

#include "scan/directory_size.h"
#include "scan/name_case.h"
#include "scan/node_links.h"
#include "scan/split_deleted.h"

namespace tundrel {
namespace {

bool MovesWithCheckDiskFiles(const ScanNode& child, SplitLevel) { return IsCheckDiskFile(child); }

}  // namespace

bool IsCheckDiskFile(const ScanNode& node) {
    if (node.IsDirectory() || node.name == nullptr) return false;
    const std::u16string_view name(node.name);
    return name.size() >= 4 && UpperCased(name.substr(name.size() - 4)) == u".CHK";
}

void MoveCheckDiskFiles(ScanNode& source, ScanNode& destination) {
    SplitChildren(source, destination, MovesWithCheckDiskFiles);
    LinkParents(destination, LinkDepth::WholeSubtree);
    SumSizes(destination);
    SumSizes(source);
}

}  // namespace tundrel
