#include "fat/overwritten_files.h"

#include "fat/fat_table.h"

namespace tundrel {

void MarkOverwrittenFiles(ScanNode& node, FatTable& table) {
    for (ScanNode& child : node.children) {
        if (child.IsDirectory()) {
            MarkOverwrittenFiles(child, table);
            continue;
        }
        if (!child.Has(kFlagDeleted) || child.size == 0 || child.location < 2) continue;
        std::uint32_t entry = 0;
        table.NextCluster(child.location, &entry);
        if (entry != 0) child.Set(kFlagOverwritten, true);
    }
}

}  // namespace tundrel
